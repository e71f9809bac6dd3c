// The private message between editor windows: its number, its five notifications and how a
// window is told from other endpoints on the bus. On the bus a notification travels as
// (WM_EDITORNOTIFY, code, argument); in the code it is an EditorMessage.
#pragma once

#include "platform/windowbus.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace velmo {

inline constexpr std::uint32_t WM_EDITORNOTIFY = 0x49F5;
// The argument that makes a close request (and a registry refresh) genuine.
inline constexpr std::int64_t EDITORNOTIFY_MAGIC = 0x45F5;

enum class EditorNotify : std::int64_t {
    Close = 1,           // argument EDITORNOTIFY_MAGIC; anything else is ignored
    SettingsChanged = 2, // argument: the sender's handle
    HistoryChanged = 3,  // argument: the sender's handle
    Ready = 4,           // a launched window is up: start the next one; argument: its handle
    RegistryRefresh = 5, // write your [EditFiles] entry again; argument EDITORNOTIFY_MAGIC
};
inline constexpr EditorNotify NotifyClose = EditorNotify::Close;
inline constexpr EditorNotify NotifySettingsChanged = EditorNotify::SettingsChanged;
inline constexpr EditorNotify NotifyHistoryChanged = EditorNotify::HistoryChanged;
inline constexpr EditorNotify NotifyReady = EditorNotify::Ready;
inline constexpr EditorNotify NotifyRegistryRefresh = EditorNotify::RegistryRefresh;

struct EditorMessage {
    EditorNotify code;
    std::int64_t argument = 0;

    // A bus message as a notification; nothing for another message or an unknown code.
    static std::optional<EditorMessage> decode(std::uint32_t message, std::int64_t wParam,
                                               std::int64_t lParam)
    {
        if (message != WM_EDITORNOTIFY || wParam < std::int64_t(EditorNotify::Close)
            || wParam > std::int64_t(EditorNotify::RegistryRefresh))
            return std::nullopt;
        return EditorMessage{EditorNotify(wParam), lParam};
    }
    std::int64_t wParam() const { return std::int64_t(code); }
};

// One notification to one window: posted (queued, returns at once) or sent (returns once
// the receiver has handled it; false when it is gone or did not answer).
inline bool PostNotify(WindowBus &bus, WindowHandle to, const EditorMessage &notice)
{
    return bus.postMessage(to, WM_EDITORNOTIFY, notice.wParam(), notice.argument);
}
inline bool SendNotify(WindowBus &bus, WindowHandle to, const EditorMessage &notice)
{
    return bus.sendMessage(to, WM_EDITORNOTIFY, notice.wParam(), notice.argument).has_value();
}

// What every editor window answers as its class on the bus. A window is an editor window by
// this alone: captions are the user's to read (and change with the document), not an identity.
inline const QString kEditorWindowClass = QStringLiteral("TMainForm");

inline bool IsEditorWindow(const WindowInfo &info)
{
    return info.responding && info.handle > 0 && info.className == kEditorWindowClass;
}

} // namespace velmo
