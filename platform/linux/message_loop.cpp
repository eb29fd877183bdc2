// Window timers and taking one message: one iteration of GLib's main context, waiting at most
// the time asked for.
#include <vector>

#include "platform/event_loop.h"
#include "platform/linux/gtk_window_layer.h"

namespace {

// What TakePlatformMessage gives when it handled something: GLib's sources carry no message
// numbers, and any number below the event kinds means "a message was handled".
constexpr unsigned HandledMessage = 1;

// Windows raises a shorter period to this; so does the program's timer here.
constexpr std::uint32_t ShortestTimerPeriod = 10;

gboolean OnTimer(gpointer timerId) {
    Raise(EventTimer, GPOINTER_TO_INT(timerId));
    // GLib counts the next expiry from this one's dispatch, so expiries missed while no message
    // was taken give one event, not a burst.
    return G_SOURCE_CONTINUE;
}

// The file descriptors the main context watches, kept from one wait to the next.
std::vector<GPollFD> PollFds(16);

} // namespace

void ArmWindowTimer(int timerId, std::uint32_t periodMilliseconds) {
    if (!WindowLayer.mainWindow)
        return;
    DisarmWindowTimer(timerId);
    const guint period =
        periodMilliseconds < ShortestTimerPeriod ? ShortestTimerPeriod : periodMilliseconds;
    WindowLayer.timers[timerId] = g_timeout_add(period, OnTimer, GINT_TO_POINTER(timerId));
}

void DisarmWindowTimer(int timerId) {
    const auto timer = WindowLayer.timers.find(timerId);
    if (timer == WindowLayer.timers.end())
        return;
    g_source_remove(timer->second);
    WindowLayer.timers.erase(timer);
}

unsigned TakePlatformMessage(int timeoutMilliseconds) {
    // One iteration of the main context, as g_main_context_iteration makes it, but waiting at
    // most the time asked for: a source that is ready already makes the wait 0, one due sooner
    // shortens it.
    GMainContext* context = g_main_context_default();
    if (!g_main_context_acquire(context))
        return 0;
    gint priority = 0;
    g_main_context_prepare(context, &priority);
    gint sourceTimeout = -1;
    gint count = 0;
    while ((count = g_main_context_query(context, priority, &sourceTimeout, PollFds.data(),
                                         static_cast<gint>(PollFds.size()))) >
           static_cast<gint>(PollFds.size()))
        PollFds.resize(static_cast<std::size_t>(count));
    const gint wait = timeoutMilliseconds <= 0                                  ? 0
                      : sourceTimeout >= 0 && sourceTimeout < timeoutMilliseconds ? sourceTimeout
                                                                                  : timeoutMilliseconds;
    g_main_context_get_poll_func(context)(PollFds.data(), static_cast<guint>(count), wait);
    const bool ready = g_main_context_check(context, priority, PollFds.data(), count) != FALSE;
    if (ready)
        g_main_context_dispatch(context);
    g_main_context_release(context);
    return ready ? HandledMessage : 0;
}
