#include "fuzz_locale.h"

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/platform.h"
#include "unit/test_locale.h"

namespace {

struct LocaleSource {
    FuzzLocale locale;
    const char* source;  // for localedef; nullptr: the system has it
    const char* charmap;
};

const LocaleSource LOCALES[] = {
    {{"C", 0, {}}, nullptr, nullptr},
    {{"C.UTF-8", 0, {}}, nullptr, nullptr},
    {{"ja_JP.SJIS", 2, {{0x81, 0x9F}, {0xE0, 0xFC}}}, "ja_JP", "SHIFT_JIS"},
    {{"zh_CN.GBK", 1, {{0x81, 0xFE}}}, "zh_CN", "GBK"},
    {{"ko_KR.EUC-KR", 1, {{0x81, 0xFE}}}, "ko_KR", "EUC-KR"},
    {{"zh_TW.BIG5", 1, {{0x81, 0xFE}}}, "zh_TW", "BIG5"},
};

// The locales that could be set, found once.
const std::vector<const LocaleSource*>& usable() {
    static std::vector<const LocaleSource*> found = [] {
        std::vector<const LocaleSource*> list;
        for (const LocaleSource& entry : LOCALES) {
            if (test_locale::use(entry.locale.name, entry.source ? entry.source : "",
                                 entry.charmap ? entry.charmap : "")) {
                list.push_back(&entry);
            }
        }
        test_locale::reset();
        // Without a code page that has lead bytes the targets would miss half
        // their inputs' meaning: better no run than a hollow one.
        bool with_lead_bytes = false;
        for (const LocaleSource* entry : list) with_lead_bytes |= entry->locale.lead_ranges > 0;
        FUZZ_CHECK(with_lead_bytes);
        return list;
    }();
    return found;
}

}  // namespace

const FuzzLocale& use_fuzz_locale(uint8_t selector) {
    static const LocaleSource* current = nullptr;
    const auto& list = usable();
    const LocaleSource* chosen = list[selector % list.size()];
    if (chosen != current) {
        FUZZ_CHECK(std::setlocale(LC_CTYPE, chosen->locale.name) != nullptr);
        forget_code_page();
        current = chosen;
    }
    return chosen->locale;
}

int fuzz_lead_byte(const FuzzLocale& locale, unsigned char byte) {
    for (int i = 0; i < locale.lead_ranges; ++i) {
        if (byte >= locale.leads[i][0] && byte <= locale.leads[i][1]) return 1;
    }
    return 0;
}
