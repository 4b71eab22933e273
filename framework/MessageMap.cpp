#include "framework/MessageMap.h"

const MessageEntry* FindMessageEntry(const MessageMap* map, UINT message, WPARAM wParam)
{
    for (; map; map = map->base ? map->base() : nullptr) {
        for (const MessageEntry& entry : map->entries) {
            if (entry.message != message)
                continue;
            if (message == WM_COMMAND
                && (entry.code != HIWORD(wParam) || entry.id != LOWORD(wParam)))
                continue;
            return &entry;
        }
    }
    return nullptr;
}

const MessageMap* CCmdTarget::GetThisMessageMap()
{
    static constexpr MessageMap map{nullptr, {}};
    return &map;
}
