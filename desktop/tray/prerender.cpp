// lumio_prerender: draws an SVG into an image beside it at each size given, for
// the build, so that the tray reads its images instead of drawing them.
//   lumio_prerender <file.svg> <size>...

#include "desktop/tray/SvgImage.h"

#include <QGuiApplication>

#include <cstdlib>
#include <iostream>
#include <string>

using namespace lumio;

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::cerr << "usage: lumio_prerender <file.svg> <size>...\n";
        return EXIT_FAILURE;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QGuiApplication application(argc, argv);
    const std::filesystem::path svg = argv[1];
    for (int i = 2; i < argc; ++i) {
        const int size = std::stoi(argv[i]);
        const auto image = svgImage(svg, size);
        const auto drawn = prerenderedPath(svg, size);
        if (!image || !savePrerendered(*image, drawn)) {
            std::cerr << "lumio_prerender: cannot draw " << svg << " into " << drawn << "\n";
            return EXIT_FAILURE;
        }
    }
    return EXIT_SUCCESS;
}
