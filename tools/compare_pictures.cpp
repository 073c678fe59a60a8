// Compares two pictures pixel by pixel, whatever texts they carry:
//   calyra_compare_pictures A B
// Exit 0 ("same WxH") when both have the same size and the same colour in
// every pixel, 1 with how they differ, 2 when one cannot be read. The soak
// test compares the window's saved picture with calyra-render's.
#include <QImage>
#include <cstdio>
#include <utility>

namespace {

QImage Read(const char* path) {
    QImage image(QString::fromLocal8Bit(path));
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: calyra_compare_pictures A B\n");
        return 2;
    }
    const QImage a = Read(argv[1]);
    const QImage b = Read(argv[2]);
    for (const auto& [image, path] : {std::pair{&a, argv[1]}, std::pair{&b, argv[2]}}) {
        if (image->isNull()) {
            std::fprintf(stderr, "calyra_compare_pictures: cannot read %s\n", path);
            return 2;
        }
    }
    if (a.size() != b.size()) {
        std::printf("differ: %dx%d against %dx%d\n", a.width(), a.height(), b.width(), b.height());
        return 1;
    }
    long long differing = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < a.height(); ++y) {
        const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (qRed(rowA[x]) == qRed(rowB[x]) && qGreen(rowA[x]) == qGreen(rowB[x]) &&
                qBlue(rowA[x]) == qBlue(rowB[x])) {
                continue;
            }
            if (differing++ == 0) {
                firstX = x;
                firstY = y;
            }
        }
    }
    if (differing > 0) {
        const QRgb pa = a.pixel(firstX, firstY);
        const QRgb pb = b.pixel(firstX, firstY);
        std::printf("differ: %lld of %lld pixels, first at (%d, %d): %d %d %d against %d %d %d\n",
                    differing, static_cast<long long>(a.width()) * a.height(), firstX, firstY,
                    qRed(pa), qGreen(pa), qBlue(pa), qRed(pb), qGreen(pb), qBlue(pb));
        return 1;
    }
    std::printf("same %dx%d\n", a.width(), a.height());
    return 0;
}
