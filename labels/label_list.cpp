#include "labels/label_list.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kCmThousandthsPerInch = 2540.0;

QString Inches(int thousandthsCm) {
    QString text = QString::number(thousandthsCm / kCmThousandthsPerInch, 'f', 3);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.')) text.chop(1);
    return text;
}

// A size as typed, in inches: "2.625x1", "2.625 x 1 in", "66.7x25.4mm"; none for other text.
std::optional<std::pair<double, double>> SizeAsked(const QString& text) {
    static const QRegularExpression size(
        QStringLiteral(
            R"(^\s*(\d+(?:\.\d*)?|\.\d+)\s*[x×*]\s*(\d+(?:\.\d*)?|\.\d+)\s*(in|mm)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = size.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const double perInch =
        m.captured(3).compare(QStringLiteral("mm"), Qt::CaseInsensitive) == 0 ? 25.4 : 1.0;
    return std::pair{m.captured(1).toDouble() / perInch, m.captured(2).toDouble() / perInch};
}

} // namespace

std::vector<ListedLabel> ListLabelProducts(CLabelDatabase& db) {
    std::vector<ListedLabel> listed;
    for (const LabelMaker& maker : db.ListMakers())
        for (const LabelProduct& product : db.ListProducts(maker.bookmark))
            listed.push_back({maker.name, db.ReadLabel(product.bookmark)});
    std::sort(listed.begin(), listed.end(),
              [](const ListedLabel& a, const ListedLabel& b) { return a.label.id < b.label.id; });
    return listed;
}

QString LabelSizeInInches(const CLabelGeometry& g) {
    // Tape of no length of its own is cut to each label.
    if (KindOf(g) == LabelKind::Continuous && g.height == 0)
        return Inches(g.width) + QStringLiteral(" in tape");
    return Inches(g.width) + QStringLiteral(" x ") + Inches(g.height) + QStringLiteral(" in");
}

namespace {

// How the labels come: across and down on a sheet, or one at a time.
QString Layout(const CLabelGeometry& g) {
    switch (KindOf(g)) {
    case LabelKind::Roll:
        return QStringLiteral("roll");
    case LabelKind::Continuous:
        return QStringLiteral("tape");
    case LabelKind::Sheet:
        break;
    }
    return QStringLiteral("%1 x %2").arg(g.numberAcross).arg(g.numberDown);
}

} // namespace

bool LabelMatches(const ListedLabel& listed, const QString& text) {
    const QString wanted = text.trimmed();
    if (wanted.isEmpty()) return true;
    if (const auto size = SizeAsked(wanted)) {
        constexpr double kTolerance = 0.01; // inches: a size typed to two decimals still matches
        const CLabelGeometry& g = listed.label.geometry;
        // Tape of no length of its own is cut to any length asked for.
        const bool anyLength = KindOf(g) == LabelKind::Continuous && g.height == 0;
        return std::abs(g.width / kCmThousandthsPerInch - size->first) <= kTolerance &&
               (anyLength ||
                std::abs(g.height / kCmThousandthsPerInch - size->second) <= kTolerance);
    }
    if (const auto named = LabelsNamed({listed}, wanted); named && !named->empty()) return true;
    for (const QString& field : {listed.maker, listed.label.name1, listed.label.name2})
        if (field.contains(wanted, Qt::CaseInsensitive)) return true;
    return false;
}

std::optional<std::vector<ListedLabel>> LabelsNamed(const std::vector<ListedLabel>& labels,
                                                    const QString& name) {
    const qsizetype colon = name.indexOf(u':');
    if (colon < 0) return std::nullopt;
    const QString maker = name.left(colon).trimmed(), number = name.mid(colon + 1).trimmed();
    std::vector<ListedLabel> named;
    for (const ListedLabel& l : labels)
        if (l.maker.compare(maker, Qt::CaseInsensitive) == 0 &&
            l.label.name1.compare(number, Qt::CaseInsensitive) == 0)
            named.push_back(l);
    return named;
}

QString LabelListing(const std::vector<ListedLabel>& labels) {
    std::vector<QStringList> rows = {{QStringLiteral("ID"), QStringLiteral("Maker"),
                                      QStringLiteral("Product"), QStringLiteral("Description"),
                                      QStringLiteral("Size"), QStringLiteral("Across x down")}};
    for (const ListedLabel& l : labels)
        rows.push_back({QString::number(l.label.id), l.maker, l.label.name1, l.label.name2,
                        LabelSizeInInches(l.label.geometry), Layout(l.label.geometry)});
    std::vector<qsizetype> widths(rows.front().size(), 0);
    for (const QStringList& row : rows)
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    QString text;
    for (const QStringList& row : rows) {
        QString line = row[0].rightJustified(widths[0]);
        for (qsizetype c = 1; c < row.size(); ++c)
            line += QStringLiteral("  ") +
                    (c + 1 < row.size() ? row[c].leftJustified(widths[c]) : row[c]);
        text += line + u'\n';
    }
    return text;
}
