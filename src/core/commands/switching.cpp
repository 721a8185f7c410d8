#include "commands/switching.h"

#include "commands/textnumber.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace Vexolo {

namespace {

constexpr int AllLane = TrackSettings::AllRow;

struct Event
{
    qint32 time = 0;
    int lane = 0;
    int column = 0;
    QString text;
    bool on() const { return column % 2 == 0; }
};

// The commands in the device's order: the encoder's production order (column by column; in a
// column the pause, outputs 1 to 8, all outputs), then stably by time key.
QList<Event> eventsOf(const TrackSettings &settings)
{
    QList<Event> events;
    for (int column = 0; column < TrackSettings::Columns; ++column) {
        if (!settings.pauses[column].isEmpty())
            events.append({Val(settings.pauses[column]), PauseLane, column, settings.pauses[column]});
        for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
            const QString &text = settings.outputs[lane][column];
            if (!text.isEmpty())
                events.append({Val(text), lane, column, text});
        }
    }
    std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) { return a.time < b.time; });
    return events;
}

// The device's outputs, and for each output that is on the command that switched it on.
struct Machine
{
    Lamps lamps;
    std::array<int, OutputCount> onBy {};

    bool anyOn() const { return std::find(lamps.outputs.cbegin(), lamps.outputs.cend(), true) != lamps.outputs.cend(); }
    bool laneOn(int lane) const { return lane == AllLane ? lamps.all : lamps.outputs[lane]; }

    void apply(const Event &event, int index)
    {
        if (event.lane == PauseLane)
            return;
        if (event.lane == AllLane) {
            lamps.all = event.on();
            lamps.outputs.fill(event.on());
            onBy.fill(index);
            return;
        }
        lamps.outputs[event.lane] = event.on();
        onBy[event.lane] = index;
    }
};

bool isWholeNumber(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The group of events at the time of events[last], which ends there: an On and an Off of one lane in
// it, the later one in the string winning, as the machine now holds the lane.
void findOnAndOffTogether(SwitchPlan &plan, const QList<Event> &events, qsizetype last, const Machine &machine)
{
    const qint32 time = events[last].time;
    qsizetype first = last;
    while (first > 0 && events[first - 1].time == time)
        --first;
    QSet<int> onLanes;
    QSet<int> offLanes;
    for (qsizetype j = first; j <= last; ++j)
        (events[j].on() ? onLanes : offLanes).insert(events[j].lane);
    for (qsizetype j = first; j <= last; ++j) {
        const Event &off = events[j];
        if (off.on() || off.lane == PauseLane || !onLanes.contains(off.lane) || !offLanes.remove(off.lane))
            continue;
        plan.findings.append(
            {SwitchFinding::OnAndOffTogether, off.lane, off.column, off.time, machine.laneOn(off.lane), {}, 0});
    }
}

// The commands that left an output on at the end, each named once, in the string's order.
void findLeftOn(SwitchPlan &plan, const QList<Event> &events, const Machine &machine)
{
    QSet<int> leftOn;
    for (int lane = 0; lane < OutputCount; ++lane) {
        if (machine.lamps.outputs[lane])
            leftOn.insert(machine.onBy[lane]);
    }
    QList<int> order(leftOn.cbegin(), leftOn.cend());
    std::sort(order.begin(), order.end());
    for (const int index : std::as_const(order)) {
        const Event &event = events[index];
        plan.findings.append({SwitchFinding::NeverOff, event.lane, event.column, event.time, false, {}, 0});
    }
}

} // namespace

QString laneLabel(int lane)
{
    static_assert(AllLane == 8 && PauseLane == 9 && LaneCount == 10); // the marks below, in lane order
    return QChar(u"12345678AP"[lane]);
}

double axisEnd(const SwitchPlan &plan, std::optional<double> lengthInUnits)
{
    const double last = plan.lastTime;
    if (lengthInUnits && *lengthInUnits > last)
        return *lengthInUnits;
    return std::max(last + std::max(1.0, last / 10), 10.0);
}

double axisStep(double end)
{
    const double raw = end / 8;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (raw <= factor * power)
            return factor * power;
    }
    return 10 * power;
}

Lamps lampsAt(const TrackSettings &settings, double time)
{
    Machine machine;
    const QList<Event> events = eventsOf(settings);
    for (qsizetype i = 0; i < events.size() && events[i].time <= time; ++i)
        machine.apply(events[i], int(i));
    return machine.lamps;
}

SwitchPlan planSwitching(const TrackSettings &settings, std::optional<double> lengthInUnits)
{
    SwitchPlan plan;
    const QList<Event> events = eventsOf(settings);
    const auto find = [&](SwitchFinding::Kind kind, const Event &event, const QString &field, double end) {
        plan.findings.append({kind, event.lane, event.column, event.time, false, field, end});
    };
    Machine machine;
    std::array<qint32, TrackSettings::OutputRows> spanStart {};
    for (qsizetype i = 0; i < events.size(); ++i) {
        const Event &event = events[i];
        plan.lastTime = std::max(plan.lastTime, event.time);
        if (!isWholeNumber(event.text)) {
            find(SwitchFinding::NotANumber, event, event.text, 0);
        }
        if (lengthInUnits && event.time > *lengthInUnits) {
            find(SwitchFinding::PastEnd, event, {}, *lengthInUnits);
        }
        if (event.lane == PauseLane) {
            plan.pauses.append({event.time, event.column});
            continue;
        }
        // An Off that switches nothing: its output is off already (for all outputs: every one is).
        const bool nothingOn = event.lane == AllLane ? !machine.anyOn() : !machine.laneOn(event.lane);
        if (!event.on() && nothingOn) {
            find(SwitchFinding::OffWithoutOn, event, {}, 0);
        }

        const Machine before = machine;
        machine.apply(event, int(i));
        for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
            if (!before.laneOn(lane) && machine.laneOn(lane))
                spanStart[lane] = event.time;
            else if (before.laneOn(lane) && !machine.laneOn(lane) && event.time > spanStart[lane])
                plan.spans[lane].append({spanStart[lane], event.time, false});
        }

        // An On and an Off of one lane at one time: the later one in the string wins.
        if (i + 1 == events.size() || events[i + 1].time != event.time)
            findOnAndOffTogether(plan, events, i, machine);
    }

    // Spans still open at the end, and the commands that left them on, each named once.
    for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
        if (machine.laneOn(lane))
            plan.spans[lane].append({spanStart[lane], spanStart[lane], true});
    }
    findLeftOn(plan, events, machine);
    std::stable_sort(plan.findings.begin(), plan.findings.end(),
                     [](const SwitchFinding &a, const SwitchFinding &b) { return a.time < b.time; });
    return plan;
}

} // namespace Vexolo
