// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QStringList>

namespace korvane {

// What the keyphrase spotter is given: a dictionary of just the phrases' words and the list
// of keyphrases, one for each distinct way of saying each phrase. Alternative pronunciations
// become words of their own ("korva", "korva_2"), because the spotter only ever uses a word's
// first pronunciation.
struct SpottingVocabulary {
    // "word PHONES" lines.
    QByteArray dictionary{};
    // "keyphrase /threshold/" lines.
    QByteArray keyphrases{};
    // Each keyphrase's words → the phrase it stands for.
    QHash<QString, QString> phraseOfKeyphrase{};

    // `pronunciations` maps each word to its CMU phone strings. A phrase with a word that has
    // none is left out; so is a way of saying a phrase that an earlier phrase already covers.
    static SpottingVocabulary build(const QStringList& phrases,
                                    const QMap<QString, QStringList>& pronunciations,
                                    double threshold);
};

// The pronunciations of `words` in a CMU dictionary file ("word PHONES", "word(2) PHONES").
QMap<QString, QStringList> dictionaryPronunciations(const QString& path, const QStringList& words);

} // namespace korvane
