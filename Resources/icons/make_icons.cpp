// Paints Vireoscape's icon set with QPainter and writes the PNGs.
//
// Regenerate (from the repository root):
//   cmake -S Resources/icons -B /tmp/make_icons-build && cmake --build /tmp/make_icons-build
//   QT_QPA_PLATFORM=offscreen /tmp/make_icons-build/make_icons Resources
//
// The application icon is also written in the sizes a desktop's icon theme
// asks for, as Resources/icons/hicolor/<N>x<N>/apps/vireoscape.png; the
// scalable one (Resources/icons/hicolor/scalable/apps/vireoscape.svg) is
// written by hand with the same shapes as iconApp below.
//
// Every icon is drawn in its own design units (24 for tool/action buttons,
// 32 for the larger buttons and dialog pages, 128 for the application icon).

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

const QColor kInk(0x44, 0x4a, 0x52);    // unselected glyphs
const QColor kAccent(0x2f, 0x7d, 0xe1); // selected tool background
const QColor kGreen(0x2e, 0x8b, 0x3e);
const QColor kLeaf(0xc8, 0xee, 0x62);
const QColor kRed(0xd9, 0x3a, 0x3a);
const QColor kWhite(Qt::white);

QString g_outDir;

using Painter = std::function<void(QPainter&)>;

bool save(const QString& name, int size, const Painter& paint)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    p.end();
    const QString path = QDir(g_outDir).filePath(name + ".png");
    if (!img.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QPen pen(const QColor& c, qreal w)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// ---- tool glyphs, 24 units --------------------------------------------------

void glyphSelect(QPainter& p, const QColor& c)
{
    QPainterPath a;
    a.moveTo(7, 3.5);
    a.lineTo(7, 19);
    a.lineTo(10.8, 15.4);
    a.lineTo(13.4, 20.8);
    a.lineTo(16, 19.6);
    a.lineTo(13.4, 14.3);
    a.lineTo(18.5, 14.3);
    a.closeSubpath();
    p.setPen(pen(c, 1.2));
    p.setBrush(c);
    p.drawPath(a);
}

void glyphLine(QPainter& p, const QColor& c)
{
    p.setPen(pen(c, 2.2));
    p.drawLine(QPointF(5, 19), QPointF(19, 5));
}

void glyphArrow(QPainter& p, const QColor& c)
{
    p.setPen(pen(c, 2.2));
    p.drawLine(QPointF(5, 19), QPointF(16, 8));
    QPolygonF head({QPointF(19.5, 4.5), QPointF(10.5, 7.5), QPointF(16.5, 13.5)});
    p.setPen(pen(c, 1.0));
    p.setBrush(c);
    p.drawPolygon(head);
}

void glyphRect(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(5, 6, 14, 12));
}

void glyphPolygon(QPainter& p, const QColor& c)
{
    QPolygonF poly(
        {QPointF(12, 4), QPointF(20, 10), QPointF(17, 19.5), QPointF(6.5, 19.5), QPointF(4, 10.5)});
    p.setPen(pen(c, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(poly);
}

void glyphEllipse(QPainter& p, const QColor& c)
{
    p.setPen(pen(c, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(4, 6.5, 16, 11));
}

void glyphDraw(QPainter& p, const QColor& c)
{
    // Pencil at 45 degrees, tip to the lower left.
    p.save();
    p.translate(12, 12);
    p.rotate(-45);
    p.setPen(pen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(-4, -3, 11, 6)); // body
    p.setBrush(c);
    p.drawRect(QRectF(7, -3, 2.5, 6)); // cap
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF({QPointF(-4, -3), QPointF(-9.5, 0), QPointF(-4, 3)}));
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(-7.2, -1.3), QPointF(-10, 0), QPointF(-7.2, 1.3)}));
    p.restore();
}

void glyphText(QPainter& p, const QColor& c)
{
    p.setPen(pen(c, 2.4));
    p.drawLine(QPointF(5.5, 19.5), QPointF(12, 4.5));
    p.drawLine(QPointF(12, 4.5), QPointF(18.5, 19.5));
    p.setPen(pen(c, 2));
    p.drawLine(QPointF(8.2, 14), QPointF(15.8, 14));
}

void glyphErase(QPainter& p, const QColor& c)
{
    p.save();
    p.translate(12.5, 10.5);
    p.rotate(-45);
    p.setPen(pen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(-8, -4, 16, 8), 1.5, 1.5);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(-8, -4, 7, 8), 1.5, 1.5); // rubber end
    p.restore();
    p.setPen(pen(c, 1.6));
    p.drawLine(QPointF(10, 20), QPointF(19.5, 20));
}

void glyphHide(QPainter& p, const QColor& c)
{
    // A framed area of blocks in three shades: what was there is gone.
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(4, 5, 16, 14));
    const int shade[3][4] = {{1, 3, 2, 3}, {3, 1, 3, 2}, {2, 3, 1, 3}};
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            QColor block = c;
            block.setAlphaF(0.25 * shade[row][col]);
            p.setBrush(block);
            p.drawRect(QRectF(5.5 + col * 3.25, 6.5 + row * 3.7, 3.25, 3.7));
        }
    }
}

void glyphHighlighter(QPainter& p, const QColor& c)
{
    // Lines of text, the middle one under a wide translucent band that a
    // chisel tip draws.
    p.setPen(pen(c, 1.4));
    p.drawLine(QPointF(3.5, 6), QPointF(16, 6));
    p.drawLine(QPointF(3.5, 12), QPointF(13, 12));
    p.drawLine(QPointF(3.5, 18), QPointF(15, 18));
    QColor band = c;
    band.setAlphaF(0.4);
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRect(QRectF(2.5, 9, 14.5, 6));
    p.setBrush(c);
    p.drawPolygon(QPolygonF({QPointF(17, 9), QPointF(21.5, 4.5), QPointF(21.5, 15), QPointF(17, 15)}));
}

void glyphSteps(QPainter& p, const QColor& c)
{
    // Two numbered circles, "1" and "2" drawn as strokes so that the icon
    // never depends on installed fonts.
    p.setPen(pen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7.5, 7.5), 4.6, 4.6);
    p.drawEllipse(QPointF(16.5, 16.5), 4.6, 4.6);
    p.setPen(pen(c, 1.4));
    p.drawLine(QPointF(7.6, 5.3), QPointF(7.6, 9.8));
    p.drawLine(QPointF(6.5, 6.2), QPointF(7.6, 5.3));
    QPainterPath two;
    two.moveTo(14.9, 15.2);
    two.cubicTo(15.1, 13.5, 18.2, 13.7, 18, 15.3);
    two.cubicTo(17.9, 16.3, 15.8, 17.5, 14.9, 18.7);
    two.lineTo(18.2, 18.7);
    p.drawPath(two);
}

void toolPair(const QString& name, void (*glyph)(QPainter&, const QColor&))
{
    save(name + "_no", 24, [&](QPainter& p) { glyph(p, kInk); });
    save(name, 24, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(0, 0, 24, 24), 5, 5);
        glyph(p, kWhite);
    });
}

// ---- action buttons, 24 units -----------------------------------------------

void iconSave(QPainter& p)
{
    const QColor body(0x2f, 0x6f, 0xc4);
    QPainterPath disk;
    disk.moveTo(4, 5);
    disk.quadTo(4, 3, 6, 3);
    disk.lineTo(16.5, 3);
    disk.lineTo(21, 7.5);
    disk.lineTo(21, 19);
    disk.quadTo(21, 21, 19, 21);
    disk.lineTo(6, 21);
    disk.quadTo(4, 21, 4, 19);
    disk.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawPath(disk);
    p.setBrush(kWhite);
    p.drawRoundedRect(QRectF(7, 12.5, 11, 6.5), 1, 1); // label
    p.setBrush(QColor(0xd6, 0xe4, 0xf7));
    p.drawRect(QRectF(7.5, 3, 8, 5.5)); // shutter
    p.setBrush(body);
    p.drawRect(QRectF(12.5, 4, 2, 3.5));
}

void iconCancel(QPainter& p)
{
    p.setPen(pen(kRed, 3.2));
    p.drawLine(QPointF(6, 6), QPointF(18, 18));
    p.drawLine(QPointF(18, 6), QPointF(6, 18));
}

void iconOk(QPainter& p)
{
    p.setPen(pen(kGreen, 3.2));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(4.5, 12.5), QPointF(9.5, 17.5), QPointF(19.5, 6.5)}));
}

// ---- 32-unit buttons and options pages --------------------------------------

void iconCapture(QPainter& p)
{
    QPen dash(kInk, 2, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    dash.setDashPattern({2, 1.5});
    p.setPen(dash);
    p.setBrush(QColor(0x2f, 0x7d, 0xe1, 40));
    p.drawRect(QRectF(4, 5, 18, 16));
    // crosshair at the dragging corner
    p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(23, 15), QPointF(23, 31));
    p.drawLine(QPointF(15, 23), QPointF(31, 23));
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawEllipse(QPointF(23, 23), 2.2, 2.2);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(23, 23), 1.2, 1.2);
}

void iconGear(QPainter& p)
{
    const QPointF c(16, 16);
    const int teeth = 8;
    const qreal rOut = 14, rIn = 10.8;
    QPainterPath gear;
    for (int i = 0; i < teeth; ++i) {
        const qreal step = 2 * M_PI / teeth;
        const qreal a = i * step;
        const qreal half = step * 0.22;     // half width of a tooth tip
        const qreal baseHalf = step * 0.30; // half width at the root
        auto at = [&](qreal r, qreal ang) { return c + QPointF(r * qCos(ang), r * qSin(ang)); };
        if (i == 0)
            gear.moveTo(at(rIn, a - baseHalf));
        else
            gear.lineTo(at(rIn, a - baseHalf));
        gear.lineTo(at(rOut, a - half));
        gear.lineTo(at(rOut, a + half));
        gear.lineTo(at(rIn, a + baseHalf));
        gear.arcTo(QRectF(c.x() - rIn, c.y() - rIn, 2 * rIn, 2 * rIn), -qRadiansToDegrees(a + baseHalf),
                   -qRadiansToDegrees(step - 2 * baseHalf));
    }
    gear.closeSubpath();
    gear.addEllipse(c, 4.5, 4.5);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5a, 0x62, 0x6c));
    p.drawPath(gear);
}

void iconGeneral(QPainter& p)
{
    const qreal ys[] = {8, 16, 24};
    const qreal knobs[] = {20, 11, 17};
    for (int i = 0; i < 3; ++i) {
        p.setPen(pen(QColor(0x8a, 0x93, 0x9e), 2.4));
        p.drawLine(QPointF(4, ys[i]), QPointF(28, ys[i]));
        p.setPen(pen(kAccent, 2.4));
        p.drawLine(QPointF(4, ys[i]), QPointF(knobs[i], ys[i]));
        p.setPen(pen(kAccent, 2));
        p.setBrush(kWhite);
        p.drawEllipse(QPointF(knobs[i], ys[i]), 3.2, 3.2);
    }
}

void iconSnaps(QPainter& p)
{
    const QColor body(0x4a, 0x52, 0x5c);
    QPainterPath cam;
    cam.addRoundedRect(QRectF(3, 9, 26, 18), 3.5, 3.5);
    cam.addRoundedRect(QRectF(10.5, 5.5, 11, 6), 1.5, 1.5);
    cam.setFillRule(Qt::WindingFill);
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawPath(cam.simplified());
    p.setBrush(kWhite);
    p.drawEllipse(QPointF(16, 18), 6.2, 6.2);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(16, 18), 4.4, 4.4);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(QPointF(14.4, 16.4), 1.4, 1.4);
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    p.drawRect(QRectF(5.5, 11.5, 3, 2)); // flash window
}

void iconShortcut(QPainter& p)
{
    // A single keycap seen slightly from above.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7b, 0x84, 0x8f));
    p.drawRoundedRect(QRectF(3, 4, 26, 25), 5, 5);
    p.setBrush(QColor(0xf4, 0xf6, 0xf8));
    p.drawRoundedRect(QRectF(6, 6, 20, 18), 3.5, 3.5);
    // "K" drawn as strokes so the result never depends on installed fonts
    p.setPen(pen(kInk, 2.2));
    p.drawLine(QPointF(12.5, 9.5), QPointF(12.5, 20.5));
    p.drawLine(QPointF(19.5, 9.5), QPointF(13, 15.5));
    p.drawLine(QPointF(15, 14), QPointF(19.8, 20.5));
}

void iconAbout(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    p.setBrush(kWhite);
    p.drawEllipse(QPointF(16, 9.5), 2.1, 2.1);
    p.drawRoundedRect(QRectF(14.2, 13.2, 3.6, 11.5), 1.2, 1.2);
}

// ---- application icon, 128 units --------------------------------------------

void iconApp(QPainter& p)
{
    QLinearGradient bg(0, 0, 0, 128);
    bg.setColorAt(0, QColor(0x3d, 0xa3, 0x4f));
    bg.setColorAt(1, QColor(0x23, 0x74, 0x35));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 26, 26);

    // viewfinder corner brackets
    p.setPen(QPen(kWhite, 13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const qreal lo = 23, hi = 105, len = 25;
    p.drawPolyline(QPolygonF({QPointF(lo, lo + len), QPointF(lo, lo), QPointF(lo + len, lo)}));
    p.drawPolyline(QPolygonF({QPointF(hi - len, lo), QPointF(hi, lo), QPointF(hi, lo + len)}));
    p.drawPolyline(QPolygonF({QPointF(hi, hi - len), QPointF(hi, hi), QPointF(hi - len, hi)}));
    p.drawPolyline(QPolygonF({QPointF(lo + len, hi), QPointF(lo, hi), QPointF(lo, hi - len)}));

    // leaf in the middle of the frame, tilted
    p.save();
    p.translate(64, 64);
    p.rotate(-40);
    QPainterPath leaf;
    leaf.moveTo(-33, 0);
    leaf.cubicTo(-17, -28, 17, -28, 33, 0);
    leaf.cubicTo(17, 28, -17, 28, -33, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(kLeaf);
    p.drawPath(leaf);
    p.setPen(QPen(QColor(0x2a, 0x7a, 0x38), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(-24, 0), QPointF(24, 0));
    p.restore();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    g_outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    if (!QDir().mkpath(g_outDir))
        return 1;

    bool ok = true;
    auto icon = [&](const char* name, int size, int design, void (*fn)(QPainter&)) {
        ok &= save(name, size, [&](QPainter& p) {
            p.scale(qreal(size) / design, qreal(size) / design);
            fn(p);
        });
    };

    icon("Vireoscape", 128, 128, iconApp);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString folder = QStringLiteral("icons/hicolor/%1x%1/apps").arg(size);
        ok &= QDir(g_outDir).mkpath(folder);
        icon(qPrintable(folder + QLatin1String("/vireoscape")), size, 128, iconApp);
    }
    icon("ico_btn_snapshot_area", 32, 32, iconCapture);
    icon("option", 32, 32, iconGear);
    icon("ico_save", 24, 24, iconSave);
    icon("ico_cancel", 24, 24, iconCancel);
    icon("ico_ok", 24, 24, iconOk);
    icon("general", 32, 32, iconGeneral);
    icon("snaps", 32, 32, iconSnaps);
    icon("shortcut", 32, 32, iconShortcut);
    icon("about", 32, 32, iconAbout);

    toolPair("ico_btn_select", glyphSelect);
    toolPair("ico_btn_line", glyphLine);
    toolPair("ico_btn_line_arrow", glyphArrow);
    toolPair("ico_btn_rect", glyphRect);
    toolPair("ico_btn_polygon", glyphPolygon);
    toolPair("ico_btn_ellipse", glyphEllipse);
    toolPair("ico_btn_draw", glyphDraw);
    toolPair("ico_btn_text", glyphText);
    toolPair("ico_btn_erase", glyphErase);
    toolPair("ico_btn_hide", glyphHide);
    toolPair("ico_btn_highlighter", glyphHighlighter);
    toolPair("ico_btn_steps", glyphSteps);

    return ok ? 0 : 1;
}
