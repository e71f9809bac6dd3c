// Watching other programs' windows on the X display, for timing a program from its start to
// its window and from a key press to the repaint it causes. One connection to the server,
// opened once, hears every top-level window being mapped and every drawing that reaches the
// screen (the DAMAGE extension on the root window: without a window manager every top-level
// window draws straight onto it); no polling, no new connection per look. Keys are pressed
// through the XTEST extension, as a keyboard would. The program's CPU time tells when it
// has gone idle. Run under an X server without a window manager (xvfb-run -a).
#pragma once

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>

namespace velmo::bench {

using Clock = std::chrono::steady_clock;

// One drawing that reached the screen: when it was heard of and where (root coordinates).
struct Paint {
    Clock::time_point at;
    xcb_rectangle_t area;
};

// A mapped top-level window of a program, and where it is on the screen.
struct Shown {
    xcb_window_t window = 0;
    Clock::time_point mapped, named;
    xcb_rectangle_t frame{};
};

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
        if (m_pidAtom == XCB_ATOM_NONE || m_nameAtom == XCB_ATOM_NONE)
            return;
        // Every rectangle drawn anywhere on the screen, as it is drawn.
        const xcb_query_extension_reply_t *damage = xcb_get_extension_data(m_connection, &xcb_damage_id);
        if (!damage || !damage->present)
            return;
        m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        std::free(xcb_damage_query_version_reply(m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr));
        const uint32_t id = xcb_generate_id(m_connection);
        cookie = xcb_damage_create_checked(m_connection, id, m_root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookie)) {
            std::free(error);
            return;
        }
        const xcb_query_extension_reply_t *test = xcb_get_extension_data(m_connection, &xcb_test_id);
        m_canType = test && test->present;
        m_ok = true;
    }
    ~WindowWatcher()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
    }
    WindowWatcher(const WindowWatcher &) = delete;
    WindowWatcher &operator=(const WindowWatcher &) = delete;

    // The display, its mapping notifications and its drawing are there to watch.
    bool ok() const { return m_ok; }
    // Keys can be pressed (XTEST).
    bool canType() const { return m_canType; }

    // Drops what was heard so far (earlier programs' windows and drawing).
    void forget()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
            std::free(event);
        m_maps.clear();
        m_paints.clear();
    }

    // Waits until a top-level window of process `pid` is mapped and its caption holds `name`
    // (the document's file name: the program has read it), or the process ends, or the
    // deadline passes. True with the window and both moments.
    bool waitShown(pid_t pid, const std::string &name, Clock::time_point deadline, Shown *shown)
    {
        Shown found;
        auto mine = m_maps.end();
        bool watching = false;
        const bool ok = pump(deadline, pid, [&] {
            if (!watching) {
                mine = std::find_if(m_maps.begin(), m_maps.end(), [&](const Map &m) { return m.pid == pid; });
                if (mine == m_maps.end())
                    return false;
                found.window = mine->window;
                found.mapped = mine->at;
                // Caption changes from now on come as property notifications; the caption
                // it may already have is read right after asking for them.
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(m_connection, found.window, XCB_CW_EVENT_MASK, &mask);
                watching = true;
                m_captionChanged = found.window;
            }
            if (m_captionChanged != found.window)
                return false;
            m_captionChanged = 0;
            if (caption(found.window).find(name) == std::string::npos)
                return false;
            found.named = Clock::now();
            return true;
        });
        if (!ok)
            return false;
        found.frame = frame(found.window);
        *shown = found;
        return true;
    }

    // The first drawing at or after `after` that `fits` (a test of its rectangle), waiting
    // for it until the deadline or the process's end.
    template <typename Fits>
    bool waitPaint(pid_t pid, Clock::time_point after, Clock::time_point deadline, Fits &&fits, Paint *found)
    {
        std::size_t seen = 0;
        return pump(deadline, pid, [&] {
            for (; seen < m_paints.size(); ++seen) {
                const Paint &p = m_paints[seen];
                if (p.at >= after && fits(p.area)) {
                    *found = p;
                    return true;
                }
            }
            return false;
        });
    }

    // Waits until nothing at least `minWidth` wide has been drawn inside `frame` for `quiet`
    // and the process has used no CPU for as long; the last such drawing at or after
    // `after` (or `after` itself when there was none).
    bool waitSettled(pid_t pid, const xcb_rectangle_t &frame, Clock::time_point after, std::chrono::milliseconds quiet,
                     Clock::time_point deadline, Clock::time_point *last, int minWidth = 0)
    {
        Clock::time_point drawn = after, busy = Clock::now();
        long ticks = cpuTicks(pid);
        std::size_t seen = 0;
        return pump(deadline, pid, [&] {
            for (; seen < m_paints.size(); ++seen) {
                const Paint &p = m_paints[seen];
                if (p.at >= after && p.area.width >= minWidth && overlaps(p.area, frame))
                    drawn = std::max(drawn, p.at);
            }
            const long now = cpuTicks(pid);
            if (now != ticks) {
                ticks = now;
                busy = Clock::now();
            }
            if (Clock::now() - std::max(drawn, busy) < quiet)
                return false;
            *last = drawn;
            return true;
        }, 20);
    }

    static bool overlaps(const xcb_rectangle_t &a, const xcb_rectangle_t &b)
    {
        return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
    }

    // Gives `window` the keyboard (there is no window manager to do it).
    void focus(xcb_window_t window)
    {
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
    }

    // The key code that types `keysym` (a plain key, no shift), 0 when there is none.
    xcb_keycode_t keycode(uint32_t keysym)
    {
        const xcb_setup_t *setup = xcb_get_setup(m_connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t *reply = xcb_get_keyboard_mapping_reply(
            m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, uint8_t(count)), nullptr);
        xcb_keycode_t code = 0;
        if (reply) {
            const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply);
            for (int i = 0; i < count && !code; ++i) {
                if (syms[i * reply->keysyms_per_keycode] == keysym)
                    code = xcb_keycode_t(setup->min_keycode + i);
            }
        }
        std::free(reply);
        return code;
    }

    // Presses and releases `key` `times` times, holding `modifier` (a key code, or 0) down
    // around them; all sent at once. The moment the server has them.
    Clock::time_point press(xcb_keycode_t key, int times = 1, xcb_keycode_t modifier = 0)
    {
        if (modifier)
            fake(XCB_KEY_PRESS, modifier);
        for (int i = 0; i < times; ++i) {
            fake(XCB_KEY_PRESS, key);
            fake(XCB_KEY_RELEASE, key);
        }
        if (modifier)
            fake(XCB_KEY_RELEASE, modifier);
        // A round trip: the server has taken the keys in when it answers.
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        return Clock::now();
    }

    // Moves the pointer to (x, y) on the screen and clicks `button` there (1 left, 2 middle).
    // The moment the server has the click.
    Clock::time_point click(int x, int y, uint8_t button = 1)
    {
        xcb_test_fake_input(m_connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, int16_t(x), int16_t(y), 0);
        xcb_test_fake_input(m_connection, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(m_connection, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        return Clock::now();
    }

    // Moves a top-level window (no window manager: it goes where it is told).
    bool move(Shown &shown, int x, int y)
    {
        const uint32_t values[] = {uint32_t(x), uint32_t(y)};
        xcb_configure_window(m_connection, shown.window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
        shown.frame = frame(shown.window);
        return shown.frame.x == x && shown.frame.y == y;
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

    // A line of /proc/<pid>/status in KiB ("VmHWM", "VmRSS"); -1 when it cannot be read.
    static long statusKiB(pid_t pid, const std::string &key)
    {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind(key + ":", 0) == 0)
                return std::stol(line.substr(key.size() + 1));
        }
        return -1;
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

    static bool alive(pid_t pid)
    {
        int status;
        return waitpid(pid, &status, WNOHANG) == 0;
    }

private:
    struct Map {
        xcb_window_t window;
        pid_t pid;
        Clock::time_point at;
    };

    // Reads what the server says until `done()` holds (asked after each batch, and every
    // `wake` ms), the deadline passes, the connection breaks or the process ends (pid 0:
    // no process to watch).
    template <typename Done>
    bool pump(Clock::time_point deadline, pid_t pid, Done &&done, int wake = 100)
    {
        const int fd = xcb_get_file_descriptor(m_connection);
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                take(event);
                std::free(event);
            }
            if (done())
                return true;
            if (xcb_connection_has_error(m_connection) || Clock::now() >= deadline || (pid && !alive(pid)))
                return false;
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, wake);
        }
    }

    void take(const xcb_generic_event_t *event)
    {
        const int type = event->response_type & 0x7F;
        if (type == m_damageEvent) {
            const auto *damage = reinterpret_cast<const xcb_damage_notify_event_t *>(event);
            m_paints.push_back({Clock::now(), damage->area});
        } else if (type == XCB_MAP_NOTIFY) {
            const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event);
            if (!map->override_redirect)
                m_maps.push_back({map->window, windowPid(map->window), Clock::now()});
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto *property = reinterpret_cast<const xcb_property_notify_event_t *>(event);
            if (property->atom == m_nameAtom || property->atom == XCB_ATOM_WM_NAME)
                m_captionChanged = property->window;
        }
    }

    xcb_rectangle_t frame(xcb_window_t window)
    {
        xcb_get_geometry_reply_t *reply =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        xcb_rectangle_t r{};
        if (reply)
            r = {reply->x, reply->y, reply->width, reply->height};
        std::free(reply);
        return r;
    }

    void fake(uint8_t type, xcb_keycode_t key)
    {
        xcb_test_fake_input(m_connection, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
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
    int m_damageEvent = -1;
    bool m_ok = false;
    bool m_canType = false;
    std::vector<Map> m_maps;
    std::vector<Paint> m_paints;
    xcb_window_t m_captionChanged = 0;

public:
    // Everything drawn since the last forget(), for a closer look.
    const std::vector<Paint> &paints() const { return m_paints; }
};

} // namespace velmo::bench
