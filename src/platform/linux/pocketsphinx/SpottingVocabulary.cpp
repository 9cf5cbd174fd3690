// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/pocketsphinx/SpottingVocabulary.h"

#include "platform/linux/pocketsphinx/PhraseLanguageModel.h"

#include <QFile>
#include <QSet>

namespace korvane {

namespace {

// Ten words with four pronunciations each would be ten thousand keyphrases; a phrase keeps
// only its first few ways of being said.
constexpr qsizetype maximumVariantsPerPhrase = 8;

struct Variant {
    QStringList tokens;
    QStringList phones;
};

} // namespace

SpottingVocabulary SpottingVocabulary::build(const QStringList& phrases,
                                             const QMap<QString, QStringList>& pronunciations,
                                             double threshold)
{
    SpottingVocabulary vocabulary;
    const QByteArray thresholdText = " /" + QByteArray::number(threshold, 'g', 3) + "/\n";
    QSet<QString> spokenAlready;
    QSet<QString> tokensWritten;
    for (const QString& phrase : phrases) {
        const QList<QStringList> sentences = PhraseLanguageModel::sentences({phrase});
        if (sentences.isEmpty())
            continue;
        QList<Variant> variants{Variant{}};
        bool complete = true;
        for (const QString& word : sentences.first()) {
            const QStringList sayings = pronunciations.value(word);
            if (sayings.isEmpty()) {
                complete = false;
                break;
            }
            QList<Variant> extended;
            for (const Variant& variant : std::as_const(variants)) {
                for (qsizetype i = 0; i < sayings.size(); ++i) {
                    if (extended.size() >= maximumVariantsPerPhrase)
                        break;
                    Variant longer = variant;
                    longer.tokens.append(i == 0 ? word : word + u'_' + QString::number(i + 1));
                    longer.phones.append(sayings.at(i).simplified());
                    extended.append(longer);
                }
            }
            variants = extended;
        }
        if (!complete)
            continue;
        for (const Variant& variant : std::as_const(variants)) {
            const QString spoken = variant.phones.join(u" | ");
            if (spokenAlready.contains(spoken))
                continue;
            spokenAlready.insert(spoken);
            for (qsizetype i = 0; i < variant.tokens.size(); ++i) {
                if (tokensWritten.contains(variant.tokens.at(i)))
                    continue;
                tokensWritten.insert(variant.tokens.at(i));
                vocabulary.dictionary +=
                    variant.tokens.at(i).toUtf8() + ' ' + variant.phones.at(i).toUtf8() + '\n';
            }
            const QString keyphrase = variant.tokens.join(u' ');
            vocabulary.keyphrases += keyphrase.toUtf8() + thresholdText;
            vocabulary.phraseOfKeyphrase.insert(keyphrase, sentences.first().join(u' '));
        }
    }
    return vocabulary;
}

QMap<QString, QStringList> dictionaryPronunciations(const QString& path, const QStringList& words)
{
    QMap<QString, QStringList> found;
    QFile file(path);
    if (words.isEmpty() || !file.open(QIODevice::ReadOnly))
        return found;
    QSet<QByteArray> wanted;
    for (const QString& word : words)
        wanted.insert(word.toUtf8());
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        const qsizetype space = line.indexOf(' ');
        if (space <= 0)
            continue;
        QByteArray word = line.left(space);
        if (const qsizetype paren = word.indexOf('('); paren > 0)
            word.truncate(paren);
        if (wanted.contains(word))
            found[QString::fromUtf8(word)].append(
                QString::fromUtf8(line.mid(space + 1)).simplified());
    }
    return found;
}

} // namespace korvane
