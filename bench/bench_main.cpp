// The benchmark driver: `ostiva_bench` runs every case, `ostiva_bench NAME...` the named ones, `--list` lists them.
// The exit status is 1 when a case missed its target.

#include "Bench.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace bench {
std::vector<Case>& registry() {
    static std::vector<Case> cases;
    return cases;
}
} // namespace bench

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<const bench::Case*> chosen;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list") == 0) {
            for (const auto& c : bench::registry())
                std::printf("%-24s %s\n", c.name, c.description);
            return 0;
        }
        bool found = false;
        for (const auto& c : bench::registry())
            if (std::strcmp(c.name, argv[i]) == 0) {
                chosen.push_back(&c);
                found = true;
            }
        if (!found) {
            std::fprintf(stderr, "unknown case: %s (see --list)\n", argv[i]);
            return 2;
        }
    }
    if (chosen.empty())
        for (const auto& c : bench::registry())
            chosen.push_back(&c);
    bool allMet = true;
    for (const bench::Case* c : chosen) {
        std::printf("== %s: %s\n", c->name, c->description);
        std::fflush(stdout);
        bench::Context context;
        const bool met = c->run(context);
        std::printf("   target %s\n", met ? "met" : "MISSED");
        allMet = allMet && met;
    }
    return allMet ? 0 : 1;
}
