#pragma once

#include <chrono>

namespace kestrel {

// How hard the site is asked: never more than four requests at once, fewer and with a rest between
// them as it answers more slowly, so that a small shared host keeps serving its readers.
class Politeness
{
public:
    static constexpr int most = 4;

    // A request was answered after `took`.
    void answered(std::chrono::milliseconds took);
    // How many requests may be on their way at once now.
    int allowed() const;
    // How long to wait after an answer before the next request starts.
    std::chrono::milliseconds rest() const;

private:
    double m_smoothedMs = 0; // of the latest answers, the newest weighing most
    bool m_any = false;
};

} // namespace kestrel
