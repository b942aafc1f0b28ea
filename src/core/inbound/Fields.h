#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Field extraction for received lines. Each function takes one line as the
// receiver cuts it (ending in its CR, without the LF) and says what it means;
// the window only applies the answer. Positions are 1-based and L is the
// length of the line, so position L is the CR.
namespace inbound {

// Start and count as the service's layouts give them: a count running past
// the end yields what is there, a start past the end yields empty text, and a
// negative count cannot be cut.
std::optional<QStringView> cutField(QStringView line, qsizetype start, qsizetype count);

// The quoted text of a 1004, 1018 or 1019 line. When the line ends in a
// double quote and its CR, the text runs from the first double quote to that
// last one, inner quotes included; otherwise to the second double quote.
// Nothing when the line holds fewer than two.
std::optional<QStringView> quotedText(QStringView line);

// Transcript lines (without the line end), or nothing when a field cannot
// be cut and the line must be skipped. textAt, when given, learns where the
// received text starts in the transcript line.
std::optional<QString> talkLine(QStringView line, qsizetype *textAt = nullptr); // 1005: name field, ": ", text
std::optional<QString> whisperLine(QStringView line); // 1004: name field, ": (whisper) ", text
QString infoLine(QStringView line);                   // 1018: the quoted text; empty when unquoted
std::optional<QString> emoteLine(QStringView line, qsizetype *textAt = nullptr); // 1023: name field, " ", text

// Whether received text, as the transcript shows it, holds the name as a
// whole word, in any case: "Kestrel," and "hi KESTREL" name kestrel,
// "kestrels" does not. An empty name is in no text.
bool mentions(QStringView received, QStringView name);

// User list and banner.
std::optional<QString> userEntry(QStringView line);   // 1001, 1002: untrimmed name field
std::optional<QString> leaveName(QStringView line);   // 1003: name field, blanks trimmed
std::optional<QString> channelName(QStringView line); // 1007: positions 15 to L-2

// Blanks (code 32) only: tabs and other invisible characters stay.
QStringView trimBlanks(QStringView text);

QString bannerCaption(QStringView channel, qsizetype count);

} // namespace inbound
