#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace quarn::test {

// A throw-away GnuPG home of its own, short enough for the agent's socket path, with loopback
// passphrases allowed and cheap key protection so that generating keys takes milliseconds. Its agent is
// killed at the end, so none outlives the test.
class GnupgHome {
public:
    GnupgHome() {
        std::array<char, 32> name{};
        std::snprintf(name.data(), name.size(), "/tmp/qg-XXXXXX");
        if (::mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = name.data();
        std::ofstream(path_ / "gpg-agent.conf") << "allow-loopback-pinentry\ns2k-count 65536\n";
        std::ofstream(path_ / "gpg.conf") << "s2k-count 65536\n";
    }
    ~GnupgHome() {
        Run("gpgconf --homedir " + Quote(path_.string()) + " --kill all");
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    GnupgHome(const GnupgHome&) = delete;
    GnupgHome& operator=(const GnupgHome&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // A new signing key; an empty passphrase leaves it unprotected. Returns its fingerprint.
    std::string GenerateKey(const std::string& userId, const std::string& passphrase,
                            const std::string& algorithm = "ed25519") const {
        Gpg("--pinentry-mode loopback --passphrase " + Quote(passphrase) + " --quick-gen-key " +
            Quote(userId) + " " + algorithm + " sign never");
        const std::string listing = Gpg("--with-colons --list-secret-keys " + Quote("=" + userId));
        const std::size_t fpr = listing.find("\nfpr:");
        if (fpr == std::string::npos) {
            throw std::runtime_error("no fingerprint for " + userId);
        }
        const std::size_t start = listing.find_first_not_of(':', fpr + 5);
        return listing.substr(start, listing.find(':', start) - start);
    }

    std::string ExportPublic(const std::string& userId) const {
        return Gpg("--armor --export " + Quote("=" + userId));
    }
    std::string ExportSecret(const std::string& userId, const std::string& passphrase) const {
        return Gpg("--pinentry-mode loopback --passphrase " + Quote(passphrase) +
                   " --armor --export-secret-keys " + Quote("=" + userId));
    }
    std::string ListKeys(bool secret) const {
        return Gpg(std::string("--with-colons ") + (secret ? "--list-secret-keys" : "--list-keys"));
    }

    // Runs gpg on this home and returns its standard output; throws when it fails.
    std::string Gpg(const std::string& arguments) const {
        std::string output;
        const int status =
            Run("gpg --homedir " + Quote(path_.string()) + " --batch --quiet " + arguments + " 2>/dev/null",
                &output);
        if (status != 0) {
            throw std::runtime_error("gpg " + arguments + " failed");
        }
        return output;
    }

    static std::string Quote(const std::string& text) {
        std::string quoted = "'";
        for (const char c : text) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        return quoted + "'";
    }

private:
    static int Run(const std::string& command, std::string* output = nullptr) {
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return -1;
        }
        std::array<char, 4096> chunk{};
        std::size_t got = 0;
        while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
            if (output != nullptr) {
                output->append(chunk.data(), got);
            }
        }
        const int status = ::pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::filesystem::path path_;
};

} // namespace quarn::test
