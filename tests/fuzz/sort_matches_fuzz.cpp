// Any run of names, under code pages with and without lead bytes: the fast
// sort_matches leaves exactly the order of the exchange sort (the same
// strings in the same places, equal names included); without lead bytes
// compare_names is also a consistent order.
//
// Input: one byte whose low seven bits choose the code page, then names cut
// at zero bytes. With the high bit set the run is one of heavy ties: the
// last piece is a plan, each of its bytes one name, a spelling in letter
// case of one of the other pieces (the words), so the run holds few keys
// and large groups of names that compare equal.
#include <algorithm>
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

// The name that `step` of a plan stands for: the word it picks, its A-Z and
// a-z flipped by a pattern drawn from the step and its place.
std::string respelt(const std::vector<std::string>& words, unsigned char step, size_t place) {
    std::string name = words[step % words.size()];
    uint32_t pattern = (step * 2654435761u) ^ static_cast<uint32_t>(place * 40503u);
    for (size_t i = 0; i < name.size(); ++i) {
        char& c = name[i];
        if (((pattern >> (i % 32)) & 1) == 0) continue;
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    use_fuzz_locale(data[0] & 0x7F);
    bool ties = (data[0] & 0x80) != 0;
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
    if (ties) {
        std::string plan = names.back();
        names.pop_back();
        std::vector<std::string> words(
            names.begin(), names.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(names.size(), 16)));
        if (words.empty()) words.emplace_back("ab");
        names.clear();
        for (size_t i = 0; i < plan.size() && i < 1000; ++i)
            names.push_back(respelt(words, static_cast<unsigned char>(plan[i]), i));
    }
    if (!ties && names.size() > 200) names.resize(200);

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
