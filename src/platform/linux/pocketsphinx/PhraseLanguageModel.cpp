// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/pocketsphinx/PhraseLanguageModel.h"

#include <QMap>

#include <cmath>

namespace korvane {

namespace {

const QString sentenceStart = QStringLiteral("<s>");
const QString sentenceEnd = QStringLiteral("</s>");
// Half of every history's probability is left to the lower orders.
constexpr double discount = 0.5;

QByteArray logText(double probability)
{
    return QByteArray::number(std::log10(probability), 'f', 4);
}

} // namespace

QList<QStringList> PhraseLanguageModel::sentences(const QStringList& phrases)
{
    QList<QStringList> result;
    for (const QString& phrase : phrases) {
        QStringList words;
        QString word;
        for (const QChar c : phrase.toLower()) {
            if (c.isLetterOrNumber() || c == u'\'') {
                word.append(c);
            } else if (!word.isEmpty()) {
                words.append(word);
                word.clear();
            }
        }
        if (!word.isEmpty())
            words.append(word);
        if (!words.isEmpty())
            result.append(words);
    }
    return result;
}

QByteArray PhraseLanguageModel::arpaText(const QList<QStringList>& sentences)
{
    QMap<QString, int> unigrams;
    QMap<QStringList, int> bigrams;
    QMap<QStringList, int> trigrams;
    QMap<QString, int> bigramHistories;
    QMap<QStringList, int> trigramHistories;
    int tokens = 0;
    for (const QStringList& sentence : sentences) {
        if (sentence.isEmpty())
            continue;
        QStringList padded = sentence;
        padded.prepend(sentenceStart);
        padded.append(sentenceEnd);
        for (qsizetype i = 1; i < padded.size(); ++i) {
            ++unigrams[padded[i]];
            ++tokens;
            ++bigrams[{padded[i - 1], padded[i]}];
            ++bigramHistories[padded[i - 1]];
            if (i >= 2) {
                ++trigrams[{padded[i - 2], padded[i - 1], padded[i]}];
                ++trigramHistories[{padded[i - 2], padded[i - 1]}];
            }
        }
    }
    if (tokens == 0)
        return {};

    const QByteArray backoff = logText(discount);
    QByteArray text = "\n\\data\\\n";
    text += "ngram 1=" + QByteArray::number(unigrams.size() + 1) + '\n';
    text += "ngram 2=" + QByteArray::number(bigrams.size()) + '\n';
    if (!trigrams.isEmpty())
        text += "ngram 3=" + QByteArray::number(trigrams.size()) + '\n';

    text += "\n\\1-grams:\n";
    text += "-99.0000 " + sentenceStart.toUtf8() + ' ' + backoff + '\n';
    for (auto it = unigrams.cbegin(); it != unigrams.cend(); ++it) {
        text += logText(double(it.value()) / tokens) + ' ' + it.key().toUtf8();
        if (it.key() != sentenceEnd)
            text += ' ' + backoff;
        text += '\n';
    }

    text += "\n\\2-grams:\n";
    for (auto it = bigrams.cbegin(); it != bigrams.cend(); ++it) {
        const double p = discount * it.value() / bigramHistories.value(it.key().first());
        text += logText(p) + ' ' + it.key().join(u' ').toUtf8();
        if (!trigrams.isEmpty() && it.key().last() != sentenceEnd)
            text += ' ' + backoff;
        text += '\n';
    }

    if (!trigrams.isEmpty()) {
        text += "\n\\3-grams:\n";
        for (auto it = trigrams.cbegin(); it != trigrams.cend(); ++it) {
            const double p = discount * it.value() / trigramHistories.value(it.key().mid(0, 2));
            text += logText(p) + ' ' + it.key().join(u' ').toUtf8() + '\n';
        }
    }
    text += "\n\\end\\\n";
    return text;
}

} // namespace korvane
