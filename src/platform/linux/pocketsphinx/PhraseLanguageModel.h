// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace korvane {

// A small trigram language model in ARPA text form, built from a handful of phrases, to be
// blended with a general model so the phrases are heard more readily.
class PhraseLanguageModel final {
public:
    // Each phrase as lower-case words (letters, digits and apostrophes); empty phrases dropped.
    static QList<QStringList> sentences(const QStringList& phrases);
    // Maximum-likelihood n-grams with half of each history's mass left for backing off.
    // Empty when there is no word at all.
    static QByteArray arpaText(const QList<QStringList>& sentences);
};

} // namespace korvane
