#include "devicesentence.h"

#include "accessibletext.h"
#include "appcontext.h"

namespace DeviceSentence {

QString fill(const QString &format, const QStringList &arguments)
{
    QString result;
    result.reserve(format.size());
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        const int number = i + 1 < format.size() ? format.at(i + 1).digitValue() : -1;
        if (c == QLatin1Char('%') && number >= 1 && number <= arguments.size()) {
            result += arguments.at(number - 1);
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

QString text(const QString &key, const QString &deviceName, const QStringList &more)
{
    const QString virtualName = AccessibleText::text(QStringLiteral("VirtualControllerName"));
    const bool isVirtual = !virtualName.isEmpty() && deviceName == virtualName;
    QString format = isVirtual ? AccessibleText::text(key + QStringLiteral("Virtual")) : QString();
    if (format.isEmpty())
        format = AppContext::instance().text(key);
    return fill(format, QStringList{deviceName} + more);
}

} // namespace DeviceSentence
