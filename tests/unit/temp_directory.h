// A fresh directory under the system's temporary directory for one test,
// removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

class TempDirectory {
public:
    // `purpose` names the directory, so a leftover shows whose it was.
    explicit TempDirectory(const std::string& purpose)
        : path_(std::filesystem::temp_directory_path() /
                ("zub2wav-" + purpose + "-" + std::to_string(std::random_device{}()))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDirectory() {
        std::error_code error;
        if (entered_) std::filesystem::current_path(previous_, error);
        std::filesystem::remove_all(path_, error);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    // Makes the directory the current one until it is removed.
    void enter() {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
        entered_ = true;
    }

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
    bool entered_ = false;
};
