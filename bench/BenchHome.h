#pragma once

#include "platform/Registry.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace quarn::bench {

// The program's folders in a private place for the lifetime of this object, so a benchmark never touches
// real settings; removed at the end, after the registry's last write.
class BenchHome {
public:
    explicit BenchHome(const std::string& name)
        : home_(std::filesystem::temp_directory_path() / (name + "." + std::to_string(::getpid()))) {
        for (const char* folder : {"config", "data", "cache", "runtime"}) {
            std::filesystem::create_directories(home_ / folder);
        }
        std::filesystem::permissions(home_ / "runtime", std::filesystem::perms::owner_all);
        ::setenv("XDG_CONFIG_HOME", (home_ / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (home_ / "cache").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (home_ / "runtime").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    ~BenchHome() {
        RegistryStore::Instance().Flush();
        std::error_code ignored; // a write of the registry may still be under way
        std::filesystem::remove_all(home_, ignored);
    }
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;

private:
    std::filesystem::path home_;
};

} // namespace quarn::bench
