#pragma once

#include <chrono>

namespace kestrel {

// How hard the site is asked: never more than four requests at once, fewer and with a rest between
// them as it answers more slowly, so that a small shared host keeps serving its readers.
class Politeness
{
public:
    static constexpr int most = 4;
    // However slowly it answered, the longest the site is left to itself between two requests.
    static constexpr std::chrono::milliseconds longestRest{5000};

    // The site began its answer to a request `took` after it was asked (or gave none in that time).
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
