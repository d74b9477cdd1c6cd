#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/preview_window.h"
#include "collection.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

// The window's preview on a large collection: how long it takes, how long the window waits
// for its events at worst meanwhile, and what showing the whole plan costs.
int main(int argc, char** argv) {
    const std::size_t files = argc > 1 ? std::stoul(argv[1]) : 100000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qt_argc = 1;
    QApplication application(qt_argc, argv);

    trackfold::test::TempDir dir;
    const trackfold::bench::Collection made =
        trackfold::bench::make_collection(dir.path() / "in", files, 1);
    const fs::path settings = dir.path() / "trackfold.ini";
    std::FILE* ini = std::fopen(settings.c_str(), "w");
    std::fputs("[SYSTEM]\nAlbumFolder=Albums\nArtistFolder=Artists\nUnknowFolder=Unknown\n", ini);
    std::fclose(ini);

    trackfold::SortRequest request{(dir.path() / "in").string() + "/",
                                   (dir.path() / "out").string() + "/", settings};
    trackfold::PreviewWindow preview(nullptr, request);

    // A zero timer fires whenever the window handles its events: the longest gap between two
    // firings is the longest a click would wait.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    sampler.start(0);
    clock.start();
    preview.run();
    const double walk_s = clock.elapsed() / 1000.0;
    sampler.stop();

    auto* view = preview.findChild<QTreeView*>(QStringLiteral("treePlan"));
    QElapsedTimer shown;
    shown.start();
    view->expandAll();
    view->grab();
    const qint64 shown_ms = shown.elapsed();

    std::printf("files in the collection (.mp3): %zu\n", made.mp3_files);
    std::printf("files in the plan:              %zu\n", preview.plan().files());
    std::printf("preview:                        %.2f s\n", walk_s);
    std::printf("longest wait for events:        %lld ms\n", static_cast<long long>(longest));
    std::printf("expand and paint the whole tree: %lld ms\n", static_cast<long long>(shown_ms));
    return 0;
}
