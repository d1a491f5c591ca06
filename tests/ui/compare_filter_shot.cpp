// Makes docs/compare-filter.png: the window with a spiky recorder flight and a comparison flight,
// both filtered. Run by hand on the offscreen platform:
//   QT_QPA_PLATFORM=offscreen kestrom_compare_filter_shot docs/compare-filter.png

#include "window_fixture.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PICTURE.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    kestrom::test::WindowRun run;
    kestrom::ui::TKestrom_BMP& w = run.open();
    kestrom::test::trigger(w, "English1");
    w.resize(1300, 834);
    w.show();
    QCoreApplication::processEvents();

    run.load(run.flightFile("flight-A.kes", {.seed = 4, .rateCode = 2, .spikes = 8}));
    run.compare(run.flightFile(
        "flight-B.kes",
        {.seed = 11, .rateCode = 2, .spikes = 5, .climbRateMps = 10.0, .glideSinkMps = 0.8}));
    kestrom::test::click(w, "B_Filtr_Alt");
    kestrom::test::click(w, "B_Filtr_por");
    QCoreApplication::processEvents();
    const bool saved = w.grab().save(QString::fromLocal8Bit(argv[1]));
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
    }
    return saved ? 0 : 1;
}
