// Window timers and taking one message: one iteration of GLib's main context, waiting at most
// the time asked for.
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

gboolean OnWaitOver(gpointer expired) {
    *static_cast<bool*>(expired) = true;
    return G_SOURCE_REMOVE;
}

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
    GMainContext* context = g_main_context_default();
    if (g_main_context_iteration(context, FALSE))
        return HandledMessage;
    if (timeoutMilliseconds <= 0)
        return 0;
    bool expired = false;
    const guint waiter =
        g_timeout_add(static_cast<guint>(timeoutMilliseconds), OnWaitOver, &expired);
    g_main_context_iteration(context, TRUE);
    if (expired)
        return 0;
    g_source_remove(waiter);
    return HandledMessage;
}
