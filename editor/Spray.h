#pragma once
// Where the airbrush's next dot falls: at a distance r drawn uniformly in
// 0 .. size - 1 from the centre, in a direction drawn uniformly among the 360
// whole degrees, rounded to the nearest pixel (halves to even).  Since r is
// uniform, the dots crowd toward the centre.
#include <QPoint>
#include <cstdint>
#include <random>

namespace editor {

class Spray {
public:
    Spray();
    explicit Spray(std::uint32_t seed) : engine_(seed) {}
    // A fixed sequence of dots from now on (tests, benchmarks).
    void reseed(std::uint32_t seed) { engine_.seed(seed); }
    // `size` is at least 1.
    QPoint dot(QPoint centre, int size);

private:
    std::mt19937 engine_;
};

} // namespace editor
