#pragma once
// Message maps: each class has one static table of entries, chained to its
// base class's table. A window looks a message up from its own class towards
// CCmdTarget; the first matching entry handles it.
//
//   const MessageMap* CMyWnd::GetThisMessageMap()
//   {
//       static constexpr MessageEntry entries[] = {
//           OnMessage<&CMyWnd::OnCreate>(WM_CREATE),
//           OnCommand<&CMyWnd::OnOK>(BN_CLICKED, IDOK),
//       };
//       static constexpr MessageMap map{&CWnd::GetThisMessageMap, entries};
//       return &map;
//   }
//
// Handlers are either `LRESULT Handler(WPARAM, LPARAM)` (the raw message) or
// `void Handler()` (answers 0; the usual form for commands).

#include <windows.h>

#include <span>
#include <type_traits>

class CCmdTarget;

struct MessageEntry {
    UINT message;
    UINT code;   // WM_COMMAND only: the notification code
    UINT id;     // WM_COMMAND only: the control or command id
    LRESULT (*invoke)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);
};

struct MessageMap {
    const MessageMap* (*base)();   // null for the root
    std::span<const MessageEntry> entries;
};

namespace message_map_detail {

template <class F> struct HandlerClass;
template <class C, class R, class... A> struct HandlerClass<R (C::*)(A...)> { using type = C; };

template <auto Handler>
LRESULT Invoke(CCmdTarget* target, WPARAM wParam, LPARAM lParam)
{
    using Class = typename HandlerClass<decltype(Handler)>::type;
    auto* self = static_cast<Class*>(target);
    if constexpr (std::is_invocable_r_v<LRESULT, decltype(Handler), Class*, WPARAM, LPARAM>) {
        return (self->*Handler)(wParam, lParam);
    } else {
        static_assert(std::is_invocable_v<decltype(Handler), Class*>,
                      "a handler takes (WPARAM, LPARAM) and answers LRESULT, or takes nothing");
        (self->*Handler)();
        return 0;
    }
}

} // namespace message_map_detail

template <auto Handler>
constexpr MessageEntry OnMessage(UINT message)
{
    return {message, 0, 0, &message_map_detail::Invoke<Handler>};
}

template <auto Handler>
constexpr MessageEntry OnCommand(UINT code, UINT id)
{
    return {WM_COMMAND, code, id, &message_map_detail::Invoke<Handler>};
}

// Finds the entry for a message in a map and its bases; null when none has one.
const MessageEntry* FindMessageEntry(const MessageMap* map, UINT message, WPARAM wParam);

// The root of every message map: the framework's objects that can receive
// messages or commands.
class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    virtual const MessageMap* GetMessageMap() const { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();
};
