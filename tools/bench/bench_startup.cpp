// Times a program's start from launch to its main window being mapped and
// to its first paint, and takes its peak resident memory, for ventaro beside
// the minimal Qt Widgets program. Needs an X server: run it through
// tools/bench/bench-startup.sh, which starts one with xvfb-run.
//
// usage: bench_startup [--runs N] [--hosts] [--ventaro PATH] [--minimal PATH]
//
// "Mapped" is the MapNotify of the program's top-level window, seen on the
// root window (without a window manager every top-level window is the
// root's child). "Painted" is the first moment a pixel of that window
// differs from what the root showed there before any program ran: Qt's
// windows have no background of their own, so until the program paints,
// the root's pixels show through.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Run
{
    double mappedMs = 0;
    double paintedMs = 0;
    long peakRssKiB = 0;
};

class XServer
{
public:
    bool connect()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            return false;
        m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_screen->root, XCB_CW_EVENT_MASK, &mask);
        m_netWmName = atom("_NET_WM_NAME");
        return takeRootPicture();
    }

    ~XServer()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
    }

    // Waits for a top-level window called `title` to be mapped; returns it
    // with its place on the root.
    std::optional<xcb_window_t> waitForMapped(const std::string& title, Clock::time_point deadline)
    {
        while (Clock::now() < deadline) {
            xcb_generic_event_t* event = xcb_poll_for_event(m_connection);
            if (event == nullptr) {
                pollfd fd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
                ::poll(&fd, 1, 10);
                if (xcb_connection_has_error(m_connection))
                    return std::nullopt;
                continue;
            }
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t window = mapped ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
            std::free(event);
            if (mapped && name(window) == title)
                return window;
        }
        return std::nullopt;
    }

    // Waits until a pixel of `window` differs from the root picture.
    bool waitForPainted(xcb_window_t window, Clock::time_point deadline)
    {
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        if (geometry == nullptr)
            return false;
        const int x = geometry->x;
        const int y = geometry->y;
        const int w = geometry->width;
        const int h = geometry->height;
        std::free(geometry);
        const int points[][2] = {
            {w / 2, h / 2}, {w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
        while (Clock::now() < deadline) {
            for (const auto& point : points) {
                const std::optional<uint32_t> shown = pixel(window, point[0], point[1]);
                if (shown && *shown != rootPixel(x + point[0], y + point[1]))
                    return true;
            }
            ::usleep(500);
        }
        return false;
    }

private:
    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return value;
    }

    std::string property(xcb_window_t window, xcb_atom_t which)
    {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, which, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr);
        if (reply == nullptr)
            return {};
        std::string text(static_cast<const char*>(xcb_get_property_value(reply)),
                         static_cast<size_t>(xcb_get_property_value_length(reply)));
        std::free(reply);
        return text;
    }

    std::string name(xcb_window_t window)
    {
        const std::string net = property(window, m_netWmName);
        return net.empty() ? property(window, XCB_ATOM_WM_NAME) : net;
    }

    std::optional<uint32_t> pixel(xcb_drawable_t drawable, int x, int y)
    {
        xcb_get_image_reply_t* reply =
            xcb_get_image_reply(m_connection,
                                xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable,
                                              static_cast<int16_t>(x), static_cast<int16_t>(y), 1, 1, ~0u),
                                nullptr);
        if (reply == nullptr)
            return std::nullopt;
        uint32_t value = 0;
        std::memcpy(&value, xcb_get_image_data(reply),
                    std::min<size_t>(sizeof value, static_cast<size_t>(xcb_get_image_data_length(reply))));
        std::free(reply);
        return value & 0xffffffu;
    }

    bool takeRootPicture()
    {
        m_rootWidth = m_screen->width_in_pixels;
        m_rootHeight = m_screen->height_in_pixels;
        xcb_get_image_reply_t* reply = xcb_get_image_reply(
            m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_screen->root, 0, 0,
                          static_cast<uint16_t>(m_rootWidth), static_cast<uint16_t>(m_rootHeight), ~0u),
            nullptr);
        if (reply == nullptr)
            return false;
        const size_t pixels = static_cast<size_t>(m_rootWidth) * static_cast<size_t>(m_rootHeight);
        if (static_cast<size_t>(xcb_get_image_data_length(reply)) < pixels * 4) {
            std::free(reply);
            return false;
        }
        m_root.resize(pixels);
        std::memcpy(m_root.data(), xcb_get_image_data(reply), pixels * 4);
        std::free(reply);
        return true;
    }

    uint32_t rootPixel(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_rootWidth || y >= m_rootHeight)
            return ~0u;
        return m_root[static_cast<size_t>(y) * static_cast<size_t>(m_rootWidth) + static_cast<size_t>(x)] &
               0xffffffu;
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    xcb_atom_t m_netWmName = XCB_ATOM_NONE;
    int m_rootWidth = 0;
    int m_rootHeight = 0;
    std::vector<uint32_t> m_root;
};

std::vector<std::string> environmentWith(const std::vector<std::string>& overrides)
{
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::string key = text.substr(0, text.find('=') + 1);
        const bool replaced = std::any_of(overrides.begin(), overrides.end(),
                                          [&](const std::string& o) { return o.rfind(key, 0) == 0; });
        if (!replaced)
            env.push_back(text);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

// How long a program runs on after its first paint before it is told to
// end, so that work it defers until after the first paint (the notification
// icons, the TLS library) is in its peak memory.
std::chrono::milliseconds g_settle{0};

std::optional<Run> runOnce(XServer& x, const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& title, const std::vector<std::string>& env)
{
    std::vector<char*> envp;
    for (const std::string& entry : env)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    Run run;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
        return std::nullopt;
    const Clock::time_point deadline = start + std::chrono::seconds(30);
    const std::optional<xcb_window_t> window = x.waitForMapped(title, deadline);
    bool ok = window.has_value();
    if (ok) {
        run.mappedMs = msSince(start);
        ok = x.waitForPainted(*window, deadline);
        run.paintedMs = msSince(start);
    }

    std::this_thread::sleep_for(g_settle);
    ::kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.peakRssKiB = usage.ru_maxrss;
    if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(),
                     !ok ? "no window appeared and painted in 30 s" : "did not end cleanly on SIGTERM");
        return std::nullopt;
    }
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Summary
{
    double mappedMedian, mappedMin, paintedMedian, paintedMin, rssMedianMiB, rssMaxMiB;
};

struct Program
{
    std::string path;
    std::vector<std::string> arguments;
    std::string title;
    std::vector<double> mapped, painted, rss;

    bool runOnce(XServer& x, const std::vector<std::string>& env, bool counted)
    {
        const std::optional<Run> run = ::runOnce(x, path, arguments, title, env);
        if (!run)
            return false;
        if (counted) {
            mapped.push_back(run->mappedMs);
            painted.push_back(run->paintedMs);
            rss.push_back(double(run->peakRssKiB) / 1024.0);
        }
        return true;
    }

    Summary summary() const
    {
        return Summary{median(mapped),  *std::min_element(mapped.begin(), mapped.end()),
                       median(painted), *std::min_element(painted.begin(), painted.end()),
                       median(rss),     *std::max_element(rss.begin(), rss.end())};
    }
};

// The two programs take turns, so that anything else slowing the machine
// for a while (the X server, the file cache, other processes) weighs on
// both alike and the ratio stays steady from one benchmark run to the next.
bool measure(XServer& x, const std::vector<Program*>& programs, const std::vector<std::string>& env, int runs)
{
    // One start of each first, not counted: it fills the file cache and, for
    // ventaro, makes the store, so every counted start is a usual one.
    for (int n = -1; n < runs; ++n) {
        for (Program* program : programs) {
            if (!program->runOnce(x, env, n >= 0))
                return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    int runs = 30;
    std::string ventaro = VENTARO_EXECUTABLE;
    std::string minimal = MINIMAL_WINDOW_EXECUTABLE;
    bool hosts = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hosts") == 0) {
            hosts = true;
            continue;
        }
        if (i + 1 >= argc)
            break;
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--ventaro") == 0)
            ventaro = argv[i + 1];
        else if (std::strcmp(argv[i], "--minimal") == 0)
            minimal = argv[i + 1];
        ++i;
    }

    XServer x;
    if (!x.connect()) {
        std::fprintf(stderr, "bench_startup: no X server; run tools/bench/bench-startup.sh\n");
        return 2;
    }

    char base[] = "/tmp/bench_startup.XXXXXX";
    if (::mkdtemp(base) == nullptr)
        return 1;
    const std::string root(base);
    std::filesystem::create_directories(root + "/config");
    std::filesystem::create_directories(root + "/run");
    ::chmod((root + "/run").c_str(), 0700);
    // As installed, the live layer serves and the TLS library is loaded
    // while the window is built; with --hosts the old servers (a closed
    // port here) are asked instead, over plain HTTP. Nothing is fetched at
    // start-up either way.
    std::vector<std::string> overrides{"QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + root + "/config",
                                       "XDG_RUNTIME_DIR=" + root + "/run"};
    if (hosts) {
        for (const char* host : {"VENTARO_CONDITIONS_HOST=127.0.0.1:9", "VENTARO_FORECAST_HOST=127.0.0.1:9",
                                 "VENTARO_SATELLITE_HOST=127.0.0.1:9"})
            overrides.emplace_back(host);
    }
    const std::vector<std::string> env = environmentWith(overrides);
    g_settle = std::chrono::milliseconds(1000);

    Program program{ventaro, {}, "Ventaro", {}, {}, {}};
    Program floor{minimal, {}, "Minimal window", {}, {}, {}};
    // The same minimal window loading the TLS library as the program does:
    // how much of the program's figures the library alone accounts for.
    Program floorWithTls{minimal, {"--tls"}, "Minimal window", {}, {}, {}};
    std::vector<Program*> programs{&program, &floor};
    if (!hosts)
        programs.push_back(&floorWithTls);
    const bool measured = measure(x, programs, env, runs);
    std::filesystem::remove_all(root);
    if (!measured)
        return 1;

    std::printf("start-up%s, %d runs each in turns after one warm-up run, X server %s\n",
                hosts ? " with the old servers configured" : " as installed (live layer, TLS loaded)", runs,
                std::getenv("DISPLAY"));
    std::printf("%-22s %22s %22s %24s\n", "program", "mapped ms median/min", "painted ms median/min",
                "peak RSS MiB median/max");
    const Summary p = program.summary();
    const Summary f = floor.summary();
    std::vector<std::pair<const char*, Summary>> rows{{"ventaro", p}, {"minimal window", f}};
    if (!hosts)
        rows.emplace_back("minimal window + TLS", floorWithTls.summary());
    for (const auto& [label, s] : rows)
        std::printf("%-22s %13.1f / %6.1f %13.1f / %6.1f %15.1f / %6.1f\n", label, s.mappedMedian,
                    s.mappedMin, s.paintedMedian, s.paintedMin, s.rssMedianMiB, s.rssMaxMiB);
    std::printf("ventaro/minimal: first paint %.2fx (target 1.5x), peak RSS %.2fx (target 1.3x)\n",
                p.paintedMedian / f.paintedMedian, p.rssMedianMiB / f.rssMedianMiB);
    if (!hosts) {
        std::printf("minimal window + TLS/minimal: peak RSS %.2fx (the TLS library alone)\n",
                    floorWithTls.summary().rssMedianMiB / f.rssMedianMiB);
    }
    return 0;
}
