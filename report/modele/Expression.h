#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QVariant>
#include <memory>
#include <stdexcept>

// A field of a report dataset as a template names it: the dataset's user name and the field's
// alias or name.
struct ReferenceChamp {
    QString jeu;
    QString champ;
    QString Texte() const { return jeu + QStringLiteral(".\"") + champ + QLatin1Char('"'); }
};

enum class Variable { Page, NbPages, Date, Heure, Ligne };

// What an expression reads while it is evaluated.
class ContexteEvaluation {
public:
    virtual ~ContexteEvaluation() = default;
    virtual QVariant Champ(const ReferenceChamp& reference) const = 0;
    virtual QVariant ValeurVariable(Variable variable) const = 0;
    virtual const QLocale& Regional() const = 0;
};

// A syntax or evaluation fault of one expression; the caller adds the template and the object.
class ErreurExpression : public std::runtime_error {
public:
    explicit ErreurExpression(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Far beyond what a template writes, these keep parsing and evaluation off the stack's end and
// their time bounded: the characters of one expression, and its nesting (each parenthesis,
// function call, unary minus and non is one level).
constexpr qsizetype kLongueurMaxExpression = 10000;
constexpr int kProfondeurMaxExpression = 100;

// One expression, parsed once: literals ('text', 12, 3.5, vrai, faux), fields
// (Jeu."Champ"), the variables Page, NbPages, Date, Heure and Ligne, arithmetic, comparisons,
// et/ou/non and the functions Si, Majuscules, Minuscules, SupprimerEspaces, EstVide, Format.
class Expression {
public:
    static Expression Analyser(const QString& source);

    QVariant Evaluer(const ContexteEvaluation& contexte) const;
    const QString& Source() const { return source_; }
    // Every field the expression reads, in the order they appear.
    const QList<ReferenceChamp>& References() const { return references_; }
    bool Utilise(Variable variable) const;

    struct Noeud;

private:
    std::shared_ptr<const Noeud> racine_;
    QString source_;
    QList<ReferenceChamp> references_;
    QList<Variable> variables_;
};

// A value as a text shows it: numbers and dates with the regional settings.
QString ValeurEnTexte(const QVariant& valeur, const QLocale& regional);
// The value taken as a condition: false for null, 0, the empty text and false.
bool ValeurVraie(const QVariant& valeur);

// A text with expressions in square brackets between literal parts, split once.
class TexteExpressions {
public:
    // caracteres, when given, turns each expression's source into plain characters first (a
    // tagged text keeps its characters escaped apart from its tags).
    static TexteExpressions Analyser(const QString& source,
                                     QString (*caracteres)(const QString&) = nullptr);

    QString Evaluer(const ContexteEvaluation& contexte) const;
    bool Constant() const { return expressions_.isEmpty(); }
    bool Utilise(Variable variable) const;
    QList<ReferenceChamp> References() const;
    const QList<Expression>& Expressions() const { return expressions_; }

private:
    // Literal parts and expressions alternate: litteraux_ has one more entry.
    QStringList litteraux_;
    QList<Expression> expressions_;
};
