// Prints the worst distance of the model's sub-solar and sub-lunar points from
// the reference ephemeris, by decade, as a Markdown table.
//   build/ephemeris_errors [tests/data/ephemeris_reference.csv]
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <map>

#include "../tests/support/ephemeris.h"

namespace {

struct Worst {
    int samples = 0;
    int last_year = 0;
    double sun = 0, sun_lat = 0, sun_long = 0;
    double moon = 0, moon_lat = 0, moon_long = 0;
};

void widen(double &worst, double value)
{
    worst = std::fmax(worst, std::fabs(value));
}

} // namespace

int main(int argc, char **argv)
{
    const char *path = argc > 1 ? argv[1] : "tests/data/ephemeris_reference.csv";
    auto rows = loadEphemerisReference(path);
    if (rows.empty()) {
        fprintf(stderr, "no reference rows in %s\n", path);
        return 1;
    }

    std::map<int, Worst> decades;
    Worst all;
    for (const auto &r : rows) {
        SubpointError s = sunError(r), m = moonError(r);
        int year = utcYear(r.t);
        for (Worst *w : {&decades[year / 10 * 10], &all}) {
            w->samples++;
            w->last_year = std::max(w->last_year, year);
            widen(w->sun, s.distance);
            widen(w->sun_lat, s.lat);
            widen(w->sun_long, s.lon);
            widen(w->moon, m.distance);
            widen(w->moon_lat, m.lat);
            widen(w->moon_long, m.lon);
        }
    }

    printf("| years | samples | Sun distance | Sun lat | Sun long | Moon distance | Moon lat | Moon long |\n");
    printf("|---|---|---|---|---|---|---|---|\n");
    auto line = [](const char *label, const Worst &w) {
        printf("| %s | %d | %.2f' | %.2f' | %.2f' | %.3f° | %.3f° | %.3f° |\n", label, w.samples,
               w.sun * 60, w.sun_lat * 60, w.sun_long * 60, w.moon, w.moon_lat, w.moon_long);
    };
    for (const auto &[decade, w] : decades) {
        char label[32];
        if (w.last_year > decade)
            snprintf(label, sizeof label, "%d-%d", decade, w.last_year);
        else
            snprintf(label, sizeof label, "%d", decade);
        line(label, w);
    }
    line("all", all);
    return 0;
}
