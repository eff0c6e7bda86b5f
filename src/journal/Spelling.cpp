// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Spelling.h"

#include "journal/EnchantSpellChecker.h"
#include "journal/Preferences.h"

#include <QLocale>

#include <unicode/uscript.h>

namespace wendle {

namespace {

// Enough for every word of a long entry; beyond it the verdicts start again rather than grow.
constexpr qsizetype kMostVerdicts = 100000;

QString scriptCode(char32_t codePoint)
{
    UErrorCode status = U_ZERO_ERROR;
    return QString::fromLatin1(uscript_getShortName(uscript_getScript(static_cast<UChar32>(codePoint), &status)));
}

QString dictionaryScript(const QString& language)
{
    return language.isEmpty() ? QString() : QLocale::scriptToCode(QLocale(language).script());
}

} // namespace

Spelling& Spelling::shared()
{
    static Spelling spelling;
    return spelling;
}

Spelling::Spelling()
    : m_checker(std::make_unique<EnchantSpellChecker>())
    , m_enabled(Preferences().value(PreferenceKeys::spellingEnabled))
{
}

Spelling::~Spelling() = default;

void Spelling::useChecker(std::unique_ptr<SpellChecker> checker)
{
    m_checker = std::move(checker);
    m_languageChosen = false;
    announce();
}

SpellChecker& Spelling::checker() const
{
    if (!m_languageChosen) {
        m_languageChosen = true;
        chooseLanguage();
    }
    return *m_checker;
}

void Spelling::chooseLanguage() const
{
    const QStringList installed = m_checker->languages();
    const std::optional<QString> stored = Preferences().string(QString::fromLatin1(PreferenceKeys::spellingLanguage));
    // The stored choice, else the user's locale: its exact dictionary, its language's, or a regional one of it.
    // The C locale speaks English: its messages are.
    const QLocale locale = QLocale::system().language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                                      : QLocale::system();
    const QString languageCode = QLocale::languageToCode(locale.language());
    QStringList wanted{stored.value_or(QString()), locale.name(), languageCode};
    for (const QString& tag : installed) {
        if (tag.startsWith(languageCode + u'_')) {
            wanted << tag;
        }
    }
    for (const QString& tag : wanted) {
        if (installed.contains(tag) && m_checker->setLanguage(tag)) {
            break;
        }
    }
    for (const QString& word : std::as_const(m_ownWords)) {
        m_checker->addSessionWord(word);
    }
    m_script = dictionaryScript(m_checker->language());
}

QStringList Spelling::languages() const
{
    return checker().languages();
}

QString Spelling::language() const
{
    return checker().language();
}

void Spelling::setLanguage(const QString& language)
{
    if (language == checker().language() || !checker().setLanguage(language)) {
        return;
    }
    Preferences().setString(QString::fromLatin1(PreferenceKeys::spellingLanguage), language);
    for (const QString& word : std::as_const(m_ownWords)) {
        checker().addSessionWord(word);
    }
    m_script = dictionaryScript(language);
    announce();
}

QString Spelling::displayName(const QString& language)
{
    const QLocale locale(language);
    const QString name = QLocale::languageToString(locale.language());
    return language.contains(u'_') ? QStringLiteral("%1 (%2)").arg(name, QLocale::territoryToString(locale.territory()))
                                   : name;
}

void Spelling::setEnabled(bool enabled)
{
    if (enabled == m_enabled) {
        return;
    }
    m_enabled = enabled;
    Preferences().setValue(PreferenceKeys::spellingEnabled, enabled);
    Q_EMIT changed();
}

bool Spelling::isMisspelt(const QString& word) const
{
    if (!m_enabled || word.isEmpty()) {
        return false;
    }
    // The language chosen decides the script.
    static_cast<void>(checker());
    if (m_script.isEmpty()) {
        return false;
    }
    if (const auto known = m_verdicts.constFind(word); known != m_verdicts.constEnd()) {
        return *known;
    }
    const char32_t first = word.at(0).isHighSurrogate() && word.size() > 1
        ? QChar::surrogateToUcs4(word.at(0), word.at(1))
        : char32_t(word.at(0).unicode());
    const bool misspelt = scriptCode(first) == m_script && !checker().isCorrect(word);
    if (m_verdicts.size() >= kMostVerdicts) {
        m_verdicts.clear();
    }
    m_verdicts.insert(word, misspelt);
    return misspelt;
}

QStringList Spelling::suggestions(const QString& word) const
{
    return checker().suggestions(word, mostSuggestions);
}

void Spelling::openOwnWords(const QStringList& words, std::function<bool(const QString&)> keep)
{
    m_ownWords = words;
    m_keep = std::move(keep);
    // A checker not yet in use takes them when its language is chosen.
    if (m_languageChosen) {
        for (const QString& word : words) {
            m_checker->addSessionWord(word);
        }
    }
    announce();
}

void Spelling::forgetOwnWords()
{
    m_ownWords.clear();
    m_keep = nullptr;
    if (m_languageChosen) {
        m_checker->forgetSessionWords();
    }
    announce();
}

bool Spelling::addWord(const QString& word)
{
    if (!m_keep || m_ownWords.contains(word) || !m_keep(word)) {
        return false;
    }
    m_ownWords << word;
    if (m_languageChosen) {
        m_checker->addSessionWord(word);
    }
    announce();
    return true;
}

void Spelling::announce()
{
    m_verdicts.clear();
    Q_EMIT changed();
}

} // namespace wendle
