// Watching another program's windows on the X display, for timing a program from its start
// to its window: one connection to the server, opened once, that listens for windows being
// mapped (no polling, no new connection per look), and the program's CPU time to tell when
// it has gone idle. Run under an X server without a window manager (xvfb-run -a).
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>

namespace velmo::bench {

using Clock = std::chrono::steady_clock;

class WindowWatcher {
public:
    WindowWatcher()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        // Without a window manager top-level windows are the root's children: their
        // mapping reaches us as the root's substructure notifications.
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_void_cookie_t cookie = xcb_change_window_attributes_checked(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookie)) {
            std::free(error);
            return;
        }
        m_pidAtom = atom("_NET_WM_PID");
        m_nameAtom = atom("_NET_WM_NAME");
        m_utf8Atom = atom("UTF8_STRING");
        m_ok = m_pidAtom != XCB_ATOM_NONE && m_nameAtom != XCB_ATOM_NONE;
    }
    ~WindowWatcher()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
    }
    WindowWatcher(const WindowWatcher &) = delete;
    WindowWatcher &operator=(const WindowWatcher &) = delete;

    bool ok() const { return m_ok; }

    // Drops notifications of earlier programs' windows; call before starting the program.
    void forget()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

    // Waits until a top-level window of process `pid` is mapped and its caption holds
    // `name` (the document's file name: the program has read it), or the process ends, or
    // the deadline passes. True with both moments.
    bool waitShown(pid_t pid, const std::string &name, Clock::time_point deadline, Clock::time_point *mapped,
                   Clock::time_point *named)
    {
        const int fd = xcb_get_file_descriptor(m_connection);
        xcb_window_t window = 0;
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const int type = event->response_type & 0x7F;
                if (!window && type == XCB_MAP_NOTIFY) {
                    const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                    if (!map->override_redirect && windowPid(map->window) == pid) {
                        *mapped = Clock::now();
                        window = map->window;
                        // Caption changes from now on come as property notifications; the
                        // caption it may already have is read right after asking for them.
                        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                        xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
                        if (caption(window).find(name) != std::string::npos) {
                            *named = Clock::now();
                            std::free(event);
                            return true;
                        }
                    }
                } else if (window && type == XCB_PROPERTY_NOTIFY) {
                    const auto *property = reinterpret_cast<xcb_property_notify_event_t *>(event);
                    if (property->window == window && (property->atom == m_nameAtom || property->atom == XCB_ATOM_WM_NAME)
                        && caption(window).find(name) != std::string::npos) {
                        *named = Clock::now();
                        std::free(event);
                        return true;
                    }
                }
                std::free(event);
            }
            if (xcb_connection_has_error(m_connection) || Clock::now() >= deadline || !alive(pid))
                return false;
            // Sleep in poll until the server says something; wake now and then to notice a
            // program that died without a window.
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 100);
        }
    }

    // The process's CPU time so far, in clock ticks; -1 when it is gone.
    static long cpuTicks(pid_t pid)
    {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text;
        if (!std::getline(stat, text))
            return -1;
        // The command name may hold spaces: the fields we need come after its ')'.
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        long user = 0, system = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14)
                user = std::stol(field);
            if (i == 15)
                system = std::stol(field);
        }
        return user + system;
    }

    // Waits until the process has used no CPU for `quiet`; returns the moment its CPU time
    // last grew (when it went idle), or false past the deadline.
    static bool waitIdle(pid_t pid, std::chrono::milliseconds quiet, Clock::time_point deadline,
                         Clock::time_point *when)
    {
        long last = cpuTicks(pid);
        Clock::time_point changed = Clock::now();
        while (Clock::now() < deadline) {
            // The kernel counts CPU time in ticks: look a few times a tick period.
            poll(nullptr, 0, 20);
            const long now = cpuTicks(pid);
            if (now < 0)
                return false;
            if (now != last) {
                last = now;
                changed = Clock::now();
            } else if (Clock::now() - changed >= quiet) {
                *when = changed;
                return true;
            }
        }
        return false;
    }

private:
    static bool alive(pid_t pid)
    {
        int status;
        return waitpid(pid, &status, WNOHANG) == 0;
    }

    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : XCB_ATOM_NONE;
        std::free(reply);
        return a;
    }

    pid_t windowPid(xcb_window_t window)
    {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        pid_t pid = -1;
        if (reply && xcb_get_property_value_length(reply) == 4)
            pid = pid_t(*static_cast<uint32_t *>(xcb_get_property_value(reply)));
        std::free(reply);
        return pid;
    }

    // The window's caption, UTF-8 (_NET_WM_NAME) or else WM_NAME.
    std::string caption(xcb_window_t window)
    {
        for (const auto &[property, type] : {std::pair{m_nameAtom, m_utf8Atom}, std::pair{xcb_atom_t(XCB_ATOM_WM_NAME), xcb_atom_t(XCB_GET_PROPERTY_TYPE_ANY)}}) {
            xcb_get_property_reply_t *reply = xcb_get_property_reply(
                m_connection, xcb_get_property(m_connection, 0, window, property, type, 0, 1024), nullptr);
            std::string text;
            if (reply)
                text.assign(static_cast<const char *>(xcb_get_property_value(reply)),
                            std::size_t(xcb_get_property_value_length(reply)));
            std::free(reply);
            if (!text.empty())
                return text;
        }
        return {};
    }

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_pidAtom = XCB_ATOM_NONE;
    xcb_atom_t m_nameAtom = XCB_ATOM_NONE;
    xcb_atom_t m_utf8Atom = XCB_ATOM_NONE;
    bool m_ok = false;
};

} // namespace velmo::bench
