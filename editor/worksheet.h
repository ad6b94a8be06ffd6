#pragma once

#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>

class QPainter;

// A program on paper for a lesson: its name, the date, what is connected to the robot (which
// gadget on which pin) and every program with its rows as the editor draws them: picture, what
// the command does and when it runs. As A4 pages (PDF), where a page holds as many rows as fit
// and a row never splits, or as one long picture (PNG, SVG). Texts, pictures and gadget names
// come from the current language.
class Worksheet
{
public:
    enum class Format
    {
        Pdf,
        Png,
        Svg,
    };

    // A4 in points; everything is laid out in points.
    static constexpr double kPageWidth = 595.28;
    static constexpr double kPageHeight = 841.89;
    // Pixels of a PNG per point: about 144 dots per inch, sharp on a projector and in print.
    static constexpr double kPngScale = 2.0;

    Worksheet(const QJsonObject &document, const QString &name,
              const QDate &date = QDate::currentDate());

    // By the file's suffix (.pdf, .png, .svg, in any case); nothing for any other.
    static std::optional<Format> formatFor(const QString &path);
    // Writes the file atomically; false (and a log line) when it cannot.
    bool write(const QString &path) const;
    bool write(const QString &path, Format format) const;

    // Pages of the PDF; and the height in points of the one long picture.
    int pageCount() const;
    double sheetHeight() const;

private:
    struct Block
    {
        double height = 0;
        // A heading stays on the page of the block after it.
        bool keepWithNext = false;
        std::function<void(QPainter &, const QRectF &)> paint;
    };
    struct Placed
    {
        int page = 0;
        double top = 0;
    };

    void addHeader();
    void addConfiguration();
    void addProgram(int index, const QJsonArray &commands);
    QList<Placed> paginate() const;
    void paintSheet(QPainter &painter) const;
    void paintFooter(QPainter &painter, int page, int pages) const;

    QJsonObject m_document;
    QString m_name;
    QDate m_date;
    QList<Block> m_blocks;
};
