// Switching the character locale inside a unit test. A locale the system
// lacks is made once with localedef (from the `locales` package) into a
// directory under the system's temporary directory, shared by later runs,
// and found through LOCPATH.
#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace test_locale {

inline std::filesystem::path made_locales() {
    return std::filesystem::temp_directory_path() / "zub2wav-test-locales";
}

// Makes `name` from the locale source `source` and the character map
// `charmap` unless it is there already. Made under a private name first and
// then renamed, so parallel tests never see half of one.
inline bool make_locale(const std::string& name, const std::string& source, const std::string& charmap) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path home = made_locales();
    if (fs::exists(home / name / "LC_CTYPE", error)) return true;
    fs::create_directories(home, error);
    fs::path scratch = home / (name + ".part." + std::to_string(std::random_device{}()));
    std::string command = "localedef --no-warnings=ascii -f " + charmap + " -i " + source + " '" +
                          scratch.string() + "' >/dev/null 2>&1";
    [[maybe_unused]] int status = std::system(command.c_str());  // warnings give a non-zero status
    bool made = fs::exists(scratch / "LC_CTYPE", error);
    if (made) fs::rename(scratch, home / name, error);
    fs::remove_all(scratch, error);
    return fs::exists(home / name / "LC_CTYPE", error);
}

// Sets LC_CTYPE to `name` and makes the expansion forget the code page it
// saw before. False when the locale cannot be had.
// A locale made here is made before the first attempt to set it: the C
// library remembers a locale it did not find.
inline bool use(const std::string& name, const std::string& source = "", const std::string& charmap = "") {
    forget_code_page();
    if (!charmap.empty()) {
        if (!make_locale(name, source, charmap)) return false;
        setenv("LOCPATH", made_locales().c_str(), 1);
    }
    return std::setlocale(LC_CTYPE, name.c_str()) != nullptr;
}

// Back to the C locale that every test starts in.
inline void reset() {
    std::setlocale(LC_CTYPE, "C");
    forget_code_page();
}

}  // namespace test_locale

// The tests' messages when a locale cannot be had.
#define USE_LOCALE_OR_SKIP(name, source, charmap)                                \
    do {                                                                         \
        if (!test_locale::use(name, source, charmap))                            \
            GTEST_SKIP() << "SKIPPED: locale " << name                           \
                         << " unavailable (install the Debian package locales)"; \
    } while (0)

// Code page 932 (Shift_JIS), whose trail bytes include the backslash and
// other bytes that mean something on the command line and in names.
#define USE_CODE_PAGE_932_OR_SKIP() USE_LOCALE_OR_SKIP("ja_JP.SJIS", "ja_JP", "SHIFT_JIS")

// A test that runs in code page 932 and ends in the C locale.
class CodePage932Test : public testing::Test {
protected:
    void SetUp() override { USE_CODE_PAGE_932_OR_SKIP(); }
    void TearDown() override { test_locale::reset(); }
};
