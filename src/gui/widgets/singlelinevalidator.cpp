#include "singlelinevalidator.h"

#include <algorithm>

QValidator::State SingleLineValidator::validate(QString &input, int &pos) const
{
    const auto firstLineBreak = [&input] {
        return std::find_if(input.cbegin(), input.cend(), [](QChar c) { return c == u'\r' || c == u'\n'; })
            - input.cbegin();
    };
    qsizetype lineEnd = firstLineBreak();
    if (lineEnd < input.size()) {
        // Pasted text ends at the cursor: the rest of it goes, what stood after the cursor stays.
        input.remove(lineEnd, (pos > lineEnd ? pos : input.size()) - lineEnd);
        pos = int(lineEnd);
        lineEnd = firstLineBreak();
        input.truncate(lineEnd);
    }
    QString kept;
    kept.reserve(input.size());
    int keptPos = pos;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const char16_t c = input[i].unicode();
        if (c > 32 ? c != 127 : c == 32 && m_blanks == BlanksKept)
            kept.append(input[i]);
        else if (i < pos)
            --keptPos;
    }
    input = kept;
    pos = std::min(keptPos, int(input.size()));
    return Acceptable;
}
