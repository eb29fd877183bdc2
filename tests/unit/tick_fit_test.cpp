// Which tick lines continue the run's count: a counter changed by line noise is set aside, a count
// that goes back is held until the next line says restart or noise, and no line the controller
// really printed is set aside, however late the program looked for it.
#include "measure/tick_fit.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

TickSighting Exact(std::int64_t counter, double seconds) {
    return {counter, seconds, true};
}

// Found waiting when the program looked: the stamp bounds the arrival from above only.
TickSighting Late(std::int64_t counter, double seconds) {
    return {counter, seconds, false};
}

TEST(TickFitTest, SetsAsideCountersTheClockCannotHaveCountedAndNoOther) {
    using V = TickLineVerdict;
    const struct {
        const char* what;
        std::int64_t interval; // 0: no upload in this session
        TickSighting latest;
        std::optional<TickSighting> held;
        TickSighting line;
        TickLineVerdict verdict;
    } cases[] = {
        {"the next line", 10, Exact(111, 100.0), {}, Exact(121, 110.0), V::Counted},
        {"a clock 4 % slow", 10, Exact(111, 100.0), {}, Exact(121, 110.4), V::Counted},
        {"a clock 4 % fast", 10, Exact(111, 100.0), {}, Exact(121, 109.6), V::Counted},
        {"the line before 16 ms late at the adapter", 10, Exact(111, 100.016), {},
         Exact(121, 110.0), V::Counted},
        {"this line 16 ms late at the adapter", 10, Exact(111, 100.0), {}, Exact(121, 110.016),
         V::Counted},
        {"two lines lost", 10, Exact(111, 100.0), {}, Exact(141, 130.0), V::Counted},
        {"a digit up by two", 10, Exact(111, 100.0), {}, Exact(123, 110.0), V::SetAside},
        {"a digit up by two, no upload", 0, Exact(111, 100.0), {}, Exact(123, 110.0),
         V::SetAside},
        {"the tens up by three: three intervals the clock did not see", 10, Exact(111, 100.0), {},
         Exact(151, 110.0), V::SetAside},
        {"a digit down, still ahead of the line before", 10, Exact(111, 100.0), {},
         Exact(115, 110.0), V::SetAside},
        {"at 60 s, a step the clock allows but no whole number of intervals", 60,
         Exact(61, 100.0), {}, Exact(123, 160.0), V::SetAside},
        {"at 60 s, no upload: the clock alone cannot tell", 0, Exact(61, 100.0), {},
         Exact(123, 160.0), V::Counted},
        {"lines read together after a modal dialog, the newest taken", 10, Exact(111, 100.0), {},
         Late(161, 158.0), V::Counted},
        {"a late stamp still bounds the count from above", 10, Exact(111, 100.0), {},
         Late(131, 112.0), V::SetAside},
        {"after a late stamp, whose line may have come well before it", 10, Late(111, 100.0), {},
         Exact(121, 104.0), V::Counted},
        {"after an exact stamp, that line cannot have", 10, Exact(111, 100.0), {},
         Exact(121, 104.0), V::SetAside},
        {"the count goes back to one the program prints", 10, Exact(181, 100.0), {},
         Exact(161, 110.0), V::Held},
        {"the same count again", 10, Exact(181, 100.0), {}, Exact(181, 110.0), V::Held},
        {"the count goes back to one the program never prints", 10, Exact(181, 100.0), {},
         Exact(163, 110.0), V::SetAside},
        {"the count goes back, no upload", 0, Exact(181, 100.0), {}, Exact(163, 110.0), V::Held},
        {"after a held line, the old count goes on: it was garbled", 10, Exact(181, 100.0),
         Exact(161, 110.0), Exact(201, 120.0), V::Counted},
        {"after a held line, its count goes on: a restart", 10, Exact(61, 100.0), Exact(1, 106.0),
         Exact(11, 116.0), V::Restart},
        {"after a held line, a restart with the next line lost", 10, Exact(61, 100.0),
         Exact(1, 106.0), Exact(21, 126.0), V::Restart},
        {"after a held line, a line that follows neither", 10, Exact(61, 100.0), Exact(1, 106.0),
         Exact(13, 116.0), V::SetAside},
    };
    for (const auto& c : cases) {
        const TickSighting* held = c.held ? &*c.held : nullptr;
        EXPECT_EQ(JudgeTickLine(c.latest, held, c.line, c.interval), c.verdict) << c.what;
    }
}

// The run's first line has no line before it: only the interval tells a garbled one.
TEST(TickFitTest, AFirstCounterFitsWhenTheProgramPrintsIt) {
    const struct {
        std::int64_t counter, interval;
        bool fits;
    } cases[] = {
        {1, 10, true},  {41, 10, true}, {3, 10, false}, {11, 5, true},
        {13, 5, false}, {3, 0, true},   {121, 60, true}, {123, 60, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CounterFitsInterval(c.counter, c.interval), c.fits)
            << c.counter << " at " << c.interval;
}

} // namespace
