#pragma once

#include "foundation/InterfacesU.h"
#include "foundation/PublisherU.h"
#include "platform/CriticalSection.h"
#include "platform/Event.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// The Application object an automation client creates: its identity is what connections record for
// the client's own queue of received text.
class IApplication {
public:
    static constexpr std::string_view kGuid = "{E4F58E46-7641-4FD9-948D-FB6725F2867F}";
    virtual ~IApplication() = default;

    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool Get_Visible() const = 0;
    virtual void Set_Visible(bool visible) = 0;
    virtual std::shared_ptr<IMyCalls> Get_MyCalls() = 0;
    // Blocks until the link is up; raises with the client's error text otherwise.
    virtual std::shared_ptr<IVerbindung> Connect(std::string_view path) = 0;
    // The first open connection to the call (case ignored), null when none.
    virtual std::shared_ptr<IVerbindung> FindConnection(std::string_view call) = 0;
};

// One automation client. It remembers every connection it attached to, so that its release drops its
// queue there; after the release it attaches nowhere and its waits end.
class TApplication final : public IApplication, public std::enable_shared_from_this<TApplication> {
public:
    // A new client, listed in Applications().
    static std::shared_ptr<TApplication> Create();
    ~TApplication() override;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // The main window's visibility, handed to the GUI thread.
    void Show() override;
    void Hide() override;
    bool Get_Visible() const override;
    void Set_Visible(bool visible) override;
    std::shared_ptr<IMyCalls> Get_MyCalls() override;
    std::shared_ptr<IVerbindung> Connect(std::string_view path) override;
    std::shared_ptr<IVerbindung> FindConnection(std::string_view call) override;

    // Gives this client its own queue on the connection; raises "Application not found." once the
    // client is released or when the connection has no free slot.
    void Attach(const std::shared_ptr<IVerbindung>& connection);
    // The connection's waits on behalf of this client (attaching it first).
    void WaitForText(const std::shared_ptr<IVerbindung>& connection, std::string_view text);
    std::string ReceiveText(const std::shared_ptr<IVerbindung>& connection);

    // Leaves Applications() and drops the client's queues; once.
    void Release();
    bool IsReleased() const;
    // Set by Release; waits on the client's behalf end on it.
    const Event& ReleasedEvent() const { return releasedEvent_; }

    // Live client objects (for checks at the end of tests).
    static int InstanceCount();

private:
    TApplication();

    mutable std::mutex mutex_;
    bool released_ = false;
    Event releasedEvent_{EventReset::Manual, false};
    std::vector<std::weak_ptr<IVerbindung>> attached_;
};

// Every live Application object. Removing a client tells the subscribers (with the client's
// IApplication pointer as data), so whatever keeps something per client can drop it.
class TApplications final : public IPublisher {
public:
    void NotifySubscribers(IApplication* client);
    // A client is listed once.
    void Add(const std::shared_ptr<IApplication>& client);
    // Nothing when the client is not listed; otherwise removed, then the subscribers are told.
    void Remove(const IApplication* client);
    void Subscribe(const std::shared_ptr<ISubscriber>& subscriber) override;
    void Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) override;
    int Count() const;

private:
    mutable CriticalSection lock_;
    std::vector<std::weak_ptr<IApplication>> clients_;
    TPublisher publisher_;
};

// The program's one list of clients.
TApplications& Applications();

} // namespace quarn
