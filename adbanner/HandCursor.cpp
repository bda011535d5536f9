#include "adbanner/HandCursor.h"

#include <QBitmap>
#include <QPainter>

#include <array>

namespace kelvane {

namespace {

// '#' black, '.' white, anything else transparent.
constexpr std::array<const char*, 32> kHand = {
    "     ##                         ", //
    "    #..#                        ", //
    "    #..#                        ", //
    "    #..#                        ", //
    "    #..#                        ", //
    "    #..###                      ", //
    "    #..#..###                   ", //
    "    #..#..#..##                 ", //
    "    #..#..#..#.#                ", //
    " ## #..#..#..#..#               ", //
    "#..##........#..#               ", //
    "#...#...........#               ", //
    " #..#...........#               ", //
    "  #.............#               ", //
    "  #.............#               ", //
    "   #............#               ", //
    "   #...........#                ", //
    "    #..........#                ", //
    "    #.........#                 ", //
    "     #........#                 ", //
    "     #........#                 ", //
    "     ##########                 ", //
    "                                ", //
    "                                ", //
    "                                ", //
    "                                ", //
    "                                ", //
    "                                ", //
    "                                ", //
    "                                ", //
    "                                ", //
    "                                ", //
};

} // namespace

QCursor handCursor()
{
    QBitmap bits(32, 32);
    QBitmap mask(32, 32);
    bits.fill(Qt::color0);
    mask.fill(Qt::color0);
    {
        QPainter bitsPainter(&bits);
        QPainter maskPainter(&mask);
        bitsPainter.setPen(Qt::color1);
        maskPainter.setPen(Qt::color1);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const char c = kHand[static_cast<size_t>(y)][x];
                if (c == '#')
                    bitsPainter.drawPoint(x, y);
                if (c == '#' || c == '.')
                    maskPainter.drawPoint(x, y);
            }
        }
    }
    return QCursor(bits, mask, 6, 0);
}

} // namespace kelvane
