#include "platform/Event.h"

#include "platform/Exception.h"
#include "platform/WaitForAny.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quarn {

namespace {

int createEventFd(bool initiallySet) {
    const int fd = ::eventfd(initiallySet ? 1u : 0u, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) {
        throw Exception(std::string("Event: eventfd failed: ") + std::strerror(errno));
    }
    return fd;
}

// Takes the whole counter in one read (no EFD_SEMAPHORE), so any number of Sets is undone at once.
bool drain(int fd) {
    std::uint64_t value = 0;
    for (;;) {
        if (::read(fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value)) {
            return true;
        }
        if (errno != EINTR) {
            return false; // EAGAIN: not signalled, or another waiter took it first
        }
    }
}

} // namespace

Event::Event(EventReset reset, bool initiallySet) : reset_(reset), fd_(createEventFd(initiallySet)) {}

void Event::Set() {
    setCount_.fetch_add(1, std::memory_order_release);
    const std::uint64_t one = 1;
    // The counter only tells "zero" from "not zero", so setting a set event changes nothing.
    // EAGAIN would mean a saturated counter, which is signalled anyway.
    while (::write(fd_.get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void Event::Reset() {
    drain(fd_.get());
}

bool Event::Wait(std::uint32_t timeoutMs) const {
    const WaitHandle self(*this);
    return WaitForAny(std::span<const WaitHandle>(&self, 1), timeoutMs) == 0;
}

bool Event::IsSet() const {
    pollfd entry{fd_.get(), POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&entry, 1, 0);
    } while (rc < 0 && errno == EINTR);
    if (rc <= 0 || (entry.revents & POLLIN) == 0) {
        return false;
    }
    setCount_.load(std::memory_order_acquire);
    return true;
}

bool Event::TryConsume() const {
    if (reset_ == EventReset::Manual) {
        return IsSet();
    }
    if (!drain(fd_.get())) {
        return false;
    }
    setCount_.load(std::memory_order_acquire);
    return true;
}

} // namespace quarn
