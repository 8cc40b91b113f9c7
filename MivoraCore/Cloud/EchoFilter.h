#pragma once

#include <QString>
#include <QStringList>

namespace mivora {

// Tells a transcript that is not speech from one that is. Speech models given hint words tend to read them
// back, or to fill silence with the credits of a subtitled video; a very short take may come back as a
// stray letter. Both the client (on each answer) and the recogniser (on the answer it keeps) ask here.
class EchoFilter {
public:
    // An answer of the transcription API that is not speech: the hint sentence echoed, video credits, or
    // hint words and at most one other character.
    static bool isHallucination(const QString& text, const QStringList& vocabulary);
    // True when the text is essentially the hint list read back.
    static bool isPromptEcho(const QString& text, const QStringList& words);
    // A very short take that came back as a stray letter or two (no Chinese, not a number) is noise.
    static bool isJunk(const QString& text, bool isShort);
    // The text in Simplified characters without separators: what two answers are compared by.
    static QString bare(const QString& text);
    // Traditional characters made Simplified; the text itself when the conversion gives nothing.
    static QString simplified(const QString& text);

private:
    // What is left of a text once the given words are taken out of it, longest word first.
    struct Coverage {
        int words = 0;             // distinct words found
        qsizetype occurrences = 0; // times they were found
        QString rest;
    };
    static Coverage cover(QString text, const QStringList& words);
};

} // namespace mivora
