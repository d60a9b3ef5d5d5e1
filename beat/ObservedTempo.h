// The beat length the deck's own Beat changes show, when they show one.
//
// Each boundary is known only to lie within a bracket one datagram wide, so a single spacing
// is rough; the last few spacings must agree with each other before they count, which a Beat
// that changes at random (every datagram, or now and then) does not manage.
#pragma once

namespace orvbeat
{

class ObservedTempo
{
public:
    static constexpr int spacings = 4;     // the latest spacings, which must agree
    static constexpr int maxSpacings = 16; // earlier ones that agree too refine the length
    static constexpr double spread = 0.1;  // how far each may stray from the mean

    void reset() { *this = ObservedTempo(); }
    // The timeline jumped (a seek): no spacing is measured across it, and the length measured
    // before it holds until the new stretch has spacings enough to judge.
    void breakStretch() { count_ = 0; }
    // One boundary at `location` on the timeline (the middle of its bracket); one behind the
    // previous begins a new stretch.
    void add(double location);
    // The spacing, fitted over the run of agreeing spacings, when the latest ones agree on one
    // in [shortest, longest]; else 0. `used` receives the number of spacings fitted.
    double beatLength(double shortest, double longest, int& used) const;

private:
    double boundaries_[maxSpacings + 1] = {};
    int count_ = 0;       // boundaries held, oldest first
    double fitted_ = 0.0; // worked out once per boundary, 0 while the spacings disagree
    int fittedSpacings_ = 0;

    void fit();
};

} // namespace orvbeat
