#pragma once

#include <QValidator>

// Keeps a field to one line without control characters, whatever is pasted into it: a line break
// in a field would split a card file's record in two, and a control character cannot be stored.
// Typing is unchanged; of pasted text only the first line stays. A time field takes no blank either: the device
// reads a blank as the end of a command, and two in a row as the end of the string.
class SingleLineValidator final : public QValidator
{
    Q_OBJECT

public:
    enum Blanks { BlanksKept, NoBlanks };

    explicit SingleLineValidator(QObject *parent = nullptr, Blanks blanks = BlanksKept)
        : QValidator(parent)
        , m_blanks(blanks)
    {
    }
    Q_DISABLE_COPY_MOVE(SingleLineValidator)

    State validate(QString &input, int &pos) const override;

private:
    Blanks m_blanks;
};
