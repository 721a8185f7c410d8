#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <compare>
#include <optional>

namespace Vexolo {

// A program's number, 0 to 9: the digit of its files' names ("Program3.txt", "Program3.adv"). Only a
// valid number exists: text from a field, a file or the command line becomes one through fromText, which
// takes one digit and nothing else; a number written in the code is checked when it is compiled.
class ProgramNumber
{
public:
    static constexpr int Count = 10;

    consteval ProgramNumber(int value)
        : m_value(value)
    {
        if (value < 0 || value >= Count)
            throw "a program number is 0 to 9";
    }
    static std::optional<ProgramNumber> fromText(QStringView text);
    // The ten, in order.
    static std::array<ProgramNumber, Count> all();

    int value() const { return m_value; }
    QString text() const { return QString(QChar(u'0' + m_value)); }
    // The number delta steps away, 9 and 0 next to each other (the window's "-" and "+").
    ProgramNumber stepped(int delta) const;

    friend bool operator==(ProgramNumber, ProgramNumber) = default;

private:
    struct Checked
    {
    };
    constexpr ProgramNumber(int value, Checked)
        : m_value(value)
    {
    }

    int m_value = 0;
};

} // namespace Vexolo
