#pragma once

#include <QString>
#include <QtGlobal>

// Deterministic pseudo-random numbers (splitmix64): one seed always yields the same data set,
// and independent streams can be derived from a seed and an index for parallel generation.
class Rng
{
public:
    explicit Rng(quint64 seed) : m_state(seed) {}

    static quint64 mix(quint64 a, quint64 b = 0, quint64 c = 0);
    static quint64 hash(const QString &text);

    quint64 next();
    double uniform();                       // [0, 1)
    int range(int lo, int hi);              // lo .. hi inclusive
    double between(double lo, double hi);   // [lo, hi)
    double normal();                        // standard normal
    bool chance(double p);
    int weighted(const double *weights, int count);

private:
    quint64 m_state;
};
