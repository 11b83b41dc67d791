#include "ui/shown_message.h"

#include "ui/translation.h"

namespace {

// `pattern` with each "%1" to "%9" replaced by its argument in one pass, as FillTemplate does:
// QString::arg would also replace what an argument itself holds.
QString Fill(const QString& pattern, const QStringList& args) {
    QString out;
    out.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar next = i + 1 < pattern.size() ? pattern[i + 1] : QChar();
        const int arg = next.unicode() - '1';
        if (pattern[i] == u'%' && next >= u'1' && next <= u'9' && arg < args.size()) {
            out += args[arg];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

} // namespace

QString ShownMessage(const CMessage& message) {
    QStringList args;
    for (const CMessageArg& a : message.args)
        args << (a.said.empty() ? QString::fromStdString(a.text) : ShownMessages(a.said));
    return Fill(Quillmark::tr(MessageTemplate(message.id)), args);
}

QString ShownMessages(const CMessages& messages) {
    QStringList shown;
    for (const CMessage& m : messages)
        if (!m.Empty()) shown << ShownMessage(m);
    return shown.join(QStringLiteral("; "));
}
