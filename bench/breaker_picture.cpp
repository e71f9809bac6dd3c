// Draws a Japanese paragraph broken by the line breaker (level-2 sets, hanging punctuation)
// at a few narrow widths into a PNG, with the wrap edge in red and the end of the overflow
// allowance in grey: for looking at the breaks. Not part of the application.
//   breaker_picture out.png
#include "editor/linebreaker.h"
#include "editor/punctuation.h"
#include "editor/wordwrapoption.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <cstdio>

using namespace velmo;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("breaker.png");
    const QString text = QStringLiteral(
        u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした"
        u"所でニャーニャー泣いていた事だけは記憶している。吾輩はここで始めて人間というものを見た。"
        u"しかもあとで聞くとそれは書生という人間中で一番獰悪な種族であったそうだ。ちょっと、"
        u"その「書生」というのは時々我々を捕えて煮て食うという話である。");
    QFont font(QStringLiteral("IPAMincho"));
    font.setPixelSize(20);
    const qreal em = 20;
    const editor::BreakRules rules = editor::breakRulesFor(editor::kPunctuationLevel2 | WBF_OVERFLOW | WBF_WORDBREAK, {});
    const int widths[] = {7, 8, 9, 10};
    const qreal overflow = em;
    const int margin = 20, gap = 60;

    // Lay out first to know the height.
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    qreal height = 0, x = margin;
    std::vector<qreal> lefts;
    for (const int w : widths) {
        auto layout = std::make_unique<QTextLayout>(text, font);
        editor::breakLines(*layout, {w * em, 0, overflow}, rules);
        height = std::max(height, layout->boundingRect().height());
        lefts.push_back(x);
        x += w * em + overflow + gap;
        layouts.push_back(std::move(layout));
    }
    QImage image(int(x - gap + margin), int(height + 2 * margin + 30), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont caption(QStringLiteral("IPAGothic"));
    caption.setPixelSize(13);
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        const qreal left = lefts[i], wrap = widths[i] * em;
        painter.setPen(QPen(QColor(220, 0, 0), 1));
        painter.drawLine(QPointF(left + wrap, margin + 24), QPointF(left + wrap, margin + 30 + height));
        painter.setPen(QPen(QColor(160, 160, 160), 1, Qt::DashLine));
        painter.drawLine(QPointF(left + wrap + overflow, margin + 24),
                         QPointF(left + wrap + overflow, margin + 30 + height));
        painter.setPen(Qt::black);
        painter.setFont(caption);
        painter.drawText(QPointF(left, margin + 12), QStringLiteral(u"幅 %1 文字").arg(widths[i]));
        layouts[i]->draw(&painter, QPointF(left, margin + 30));
    }
    painter.end();
    if (!image.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s\n", qPrintable(out));
    return 0;
}
