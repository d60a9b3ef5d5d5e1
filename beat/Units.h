// The three kinds of quantity the beat clock reckons in, each its own type so that one is never
// taken for another: host seconds (the steady clock the datagrams arrive on and the frames are
// cooked at), track seconds (the sender's Position: the track's own time, which runs at the
// deck's playback speed), and beats. A tempo is beats a minute of one of the two times.
#pragma once

#include <cmath>

namespace orvbeat
{

template <class Unit> struct Quantity
{
    double value = 0.0;

    constexpr Quantity() = default;
    constexpr explicit Quantity(double v) : value(v) {}

    constexpr Quantity operator+(Quantity other) const { return Quantity(value + other.value); }
    constexpr Quantity operator-(Quantity other) const { return Quantity(value - other.value); }
    constexpr Quantity operator-() const { return Quantity(-value); }
    constexpr Quantity operator*(double factor) const { return Quantity(value * factor); }
    constexpr Quantity operator/(double divisor) const { return Quantity(value / divisor); }
    constexpr double operator/(Quantity other) const { return value / other.value; }
    Quantity& operator+=(Quantity other)
    {
        value += other.value;
        return *this;
    }
    Quantity& operator-=(Quantity other)
    {
        value -= other.value;
        return *this;
    }
    constexpr bool operator<(Quantity other) const { return value < other.value; }
    constexpr bool operator>(Quantity other) const { return value > other.value; }
    constexpr bool operator<=(Quantity other) const { return value <= other.value; }
    constexpr bool operator>=(Quantity other) const { return value >= other.value; }
    constexpr bool operator==(Quantity other) const { return value == other.value; }
    constexpr bool operator!=(Quantity other) const { return value != other.value; }
};

struct HostTime;
struct TrackTime;
struct BeatCount;

using HostSeconds = Quantity<HostTime>;
using TrackSeconds = Quantity<TrackTime>;
using Beats = Quantity<BeatCount>;

template <class Unit> Quantity<Unit> abs(Quantity<Unit> q)
{
    return Quantity<Unit>(std::fabs(q.value));
}
template <class Unit> Quantity<Unit> middleOf(Quantity<Unit> a, Quantity<Unit> b)
{
    return (a + b) * 0.5;
}
template <class Unit> bool isFinite(Quantity<Unit> q)
{
    return std::isfinite(q.value);
}

// How fast the track runs against the host clock: track seconds per host second (the deck's
// playback speed when Position is in track seconds).
struct Rate
{
    double trackPerHost = 1.0;

    TrackSeconds over(HostSeconds span) const { return TrackSeconds(span.value * trackPerHost); }
    HostSeconds toCover(TrackSeconds span) const { return HostSeconds(span.value / trackPerHost); }
};

// The one place a tempo becomes a beat length and back: 60 / bpm.
inline double secondsPerBeat(double beatsPerMinute)
{
    return 60.0 / beatsPerMinute;
}
inline double beatsPerMinuteOf(double secondsPerBeat)
{
    return 60.0 / secondsPerBeat;
}

// The tempi and speeds a deck can have; beyond them a BPM or a Pitch is noise.
inline bool isDeckBpm(double bpm)
{
    return bpm >= 20.0 && bpm <= 500.0;
}
inline bool isSpeedRatio(double pitch)
{
    return pitch >= 0.25 && pitch <= 4.0;
}

} // namespace orvbeat
