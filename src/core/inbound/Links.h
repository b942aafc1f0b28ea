#pragma once

#include <QList>
#include <QStringView>
#include <QUrl>

// Web addresses in a transcript line, as shown (see ShownText.h), so that the
// user can open them. Only http and https: any other scheme could run
// something or read a local file, and a chat line is written by strangers.
namespace inbound {

struct Link
{
    qsizetype position = 0; // in the shown line
    qsizetype length = 0;
    QUrl url;
};

// The links in one shown line, in order. An address runs from http:// or
// https:// (in any case) to the first character that cannot be in one: a
// blank, a control character, a stand-in, a quote or an angle bracket.
// Punctuation that ends a sentence is left off its end, and so is a closing
// parenthesis or bracket unless one opened inside the address.
//
// What opens is exactly what is shown: the text is read as a strict QUrl,
// and an address that QUrl would have to repair (a stray %), that holds an
// invisible character (a soft hyphen, a zero-width space) or whose host name
// QUrl would change (an ignored mark, a percent-escape, a number written
// another way) is no link at all.
QList<Link> findLinks(QStringView line);

} // namespace inbound
