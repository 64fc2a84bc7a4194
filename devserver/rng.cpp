#include "rng.h"

#include <cmath>

static quint64 splitmix(quint64 &state)
{
    quint64 z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

quint64 Rng::mix(quint64 a, quint64 b, quint64 c)
{
    quint64 s = a;
    quint64 h = splitmix(s);
    s = h ^ b;
    h = splitmix(s);
    s = h ^ c;
    return splitmix(s);
}

quint64 Rng::hash(const QString &text)
{
    // FNV-1a over the UTF-16 units: stable across runs and platforms.
    quint64 h = 0xcbf29ce484222325ull;
    for (const QChar ch : text) {
        h ^= ch.unicode();
        h *= 0x100000001b3ull;
    }
    return h;
}

quint64 Rng::next()
{
    return splitmix(m_state);
}

double Rng::uniform()
{
    return double(next() >> 11) * (1.0 / 9007199254740992.0);
}

int Rng::range(int lo, int hi)
{
    if (hi <= lo)
        return lo;
    return lo + int(next() % quint64(hi - lo + 1));
}

double Rng::between(double lo, double hi)
{
    return lo + (hi - lo) * uniform();
}

double Rng::normal()
{
    double u1 = uniform();
    if (u1 < 1e-300)
        u1 = 1e-300;
    const double u2 = uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
}

bool Rng::chance(double p)
{
    return uniform() < p;
}

int Rng::weighted(const double *weights, int count)
{
    double total = 0;
    for (int i = 0; i < count; ++i)
        total += weights[i];
    double x = uniform() * total;
    for (int i = 0; i < count; ++i) {
        if (x < weights[i])
            return i;
        x -= weights[i];
    }
    return count - 1;
}
