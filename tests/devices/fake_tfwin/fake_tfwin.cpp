// The driver library's five entry points over a TNC that answers every frame with "ok" (code 0),
// plus controls for the tests.
#include <deque>
#include <mutex>
#include <string>

namespace {
std::mutex mutex;
std::deque<int> output;
std::string frame;
int openResult = 1;
bool opened = false;
bool silent = false;
int getCalls = 0;
} // namespace

extern "C" {

__attribute__((visibility("default"))) int TfOpen(void*) {
    std::lock_guard lock(mutex);
    opened = openResult == 1;
    return openResult;
}

__attribute__((visibility("default"))) void TfClose() {
    std::lock_guard lock(mutex);
    opened = false;
}

__attribute__((visibility("default"))) int TfPut(int byte) {
    std::lock_guard lock(mutex);
    if (!opened) {
        return 0;
    }
    frame += static_cast<char>(byte);
    if (frame.size() >= 3 && frame.size() == 4u + static_cast<unsigned char>(frame[2])) {
        if (!silent) {
            output.push_back(static_cast<unsigned char>(frame[0]));
            output.push_back(0);
        }
        frame.clear();
    }
    return 1;
}

__attribute__((visibility("default"))) int TfGet() {
    std::lock_guard lock(mutex);
    ++getCalls;
    if (output.empty()) {
        return -1;
    }
    const int byte = output.front();
    output.pop_front();
    return byte;
}

__attribute__((visibility("default"))) int TfChck() {
    std::lock_guard lock(mutex);
    return output.empty() ? 0 : 1;
}

__attribute__((visibility("default"))) void FakeTfControl(int openValue, int silentValue) {
    std::lock_guard lock(mutex);
    openResult = openValue;
    silent = silentValue != 0;
    output.clear();
    frame.clear();
    getCalls = 0;
}

__attribute__((visibility("default"))) int FakeTfGetCalls() {
    std::lock_guard lock(mutex);
    return getCalls;
}
}
