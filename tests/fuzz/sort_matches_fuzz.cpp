// Any run of names, under code pages with and without lead bytes: the fast
// sort_matches leaves exactly the order of the exchange sort (the same
// strings in the same places, equal names included); without lead bytes
// compare_names is also a consistent order.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cli/name_order.h"
#include "fuzz_check.h"
#include "fuzz_locale.h"
#include "platform/platform.h"

namespace {

int sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    use_fuzz_locale(data[0]);
    // The names: the rest, cut at zero bytes; at most 200 of them.
    std::vector<std::string> names;
    std::string current;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0) {
            names.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    names.push_back(current);
    if (names.size() > 200) names.resize(200);

    std::vector<const char*> fast;
    fast.reserve(names.size());
    for (const std::string& name : names) fast.push_back(name.c_str());
    std::vector<const char*> reference = fast;
    auto count = static_cast<int32_t>(fast.size());
    sort_matches(fast.data(), count);
    exchange_sort_matches(reference.data(), count);
    FUZZ_CHECK(fast == reference);

    if (!code_page_has_lead_bytes()) {
        for (size_t i = 0; i < names.size(); ++i) {
            FUZZ_CHECK(compare_names(fast[i], fast[i]) == 0);
            if (i + 1 < names.size()) {
                FUZZ_CHECK(compare_names(fast[i], fast[i + 1]) <= 0);
                FUZZ_CHECK(sign(compare_names(fast[i], fast[i + 1])) ==
                           -sign(compare_names(fast[i + 1], fast[i])));
            }
        }
    }
    return 0;
}
