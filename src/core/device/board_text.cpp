// Control characters in board strings, replaced before anyone shows them.
#include "device/board_text.h"

namespace boardtext {

QString printable(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            c = QChar(kReplacement);
            break;
        default:
            break;
        }
    }
    return result;
}

} // namespace boardtext
