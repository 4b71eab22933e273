#pragma once
// An Active Accessibility client on a thread of its own, as a screen reader
// is in a process of its own: objects reach it through COM's marshalling, and
// the windows' thread must keep dispatching messages while it asks.

#include <windows.h>

#include <functional>
#include <string>

// What a client reads from a window's client object (call on a client thread),
// its texts in UTF-8.
struct ClientView {
    HRESULT hr = E_FAIL;   // of AccessibleObjectFromWindow
    std::string name;
    std::string value;
    long role = 0;
};
ClientView ReadClient(HWND hWnd);

struct IAccessible;
// The window's client object, for a client that holds it; null on failure.
IAccessible* HoldClient(HWND hWnd);
// The object's own name, in UTF-8, into name (when given); answers the call's result.
HRESULT ReadName(IAccessible* pAcc, std::string* name = nullptr);

// Dispatches this thread's messages until the handle is signalled; false
// when the time ran out first.
bool PumpUntil(HANDLE handle, DWORD timeoutMs = 20000);

// Runs work at once on a new thread in the multi-threaded apartment.
class ClientThread {
public:
    explicit ClientThread(std::function<void()> work);
    ~ClientThread();
    ClientThread(const ClientThread&) = delete;
    ClientThread& operator=(const ClientThread&) = delete;

    // Waits for the work to end while dispatching this thread's messages.
    bool Join(DWORD timeoutMs = 20000);

private:
    static DWORD WINAPI Run(LPVOID self);
    std::function<void()> m_work;
    HANDLE m_thread = nullptr;
};

// A manual-reset event, closed at the end of its scope.
class Event {
public:
    Event() : m_handle(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() { CloseHandle(m_handle); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE Get() const { return m_handle; }
    void Set() const { SetEvent(m_handle); }

private:
    HANDLE m_handle;
};

// The calling thread's apartment: APTTYPE_STA, APTTYPE_MTA, ... or -1 without COM.
int ApartmentType();
