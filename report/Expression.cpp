#include "Expression.h"

#include <QDate>
#include <QTime>
#include <QtNumeric>
#include <algorithm>
#include <cmath>
#include <optional>
#include <variant>

#include "Arrondi.h"
#include "NoeudExpression.h"

using Noeud = Expression::Noeud;
using PtrNoeud = std::shared_ptr<const Noeud>;

namespace {

bool EstNombre(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}
bool EstEntier(const QVariant& v) {
    return EstNombre(v) && v.typeId() != QMetaType::Double && v.typeId() != QMetaType::Float;
}
bool EstTexte(const QVariant& v) {
    return v.typeId() == QMetaType::QString;
}

double EnNombre(const QVariant& v, const QLocale& regional) {
    if (v.isNull()) {
        return 0;
    }
    if (EstNombre(v) || v.typeId() == QMetaType::Bool) {
        return v.toDouble();
    }
    bool ok = false;
    const double nombre = regional.toDouble(v.toString().trimmed(), &ok);
    if (!ok) {
        throw ErreurExpression(QStringLiteral("valeur non numérique « %1 »").arg(v.toString()));
    }
    return nombre;
}

// A number of decimals a text can hold.
int Decimales(double nombre) {
    constexpr int kDecimalesMax = 100;
    if (!(nombre >= 0 && nombre <= kDecimalesMax)) {
        throw ErreurExpression(
            QStringLiteral("Format : de 0 à %1 décimales, pas %2").arg(kDecimalesMax).arg(nombre));
    }
    return int(nombre);
}

// A pattern such as "# ##0.00": a group separator when it holds one, as many decimals as
// digits after the point.
QString FormaterNombre(double nombre, const QString& motif, const QLocale& regional) {
    const qsizetype point = motif.indexOf(QLatin1Char('.'));
    const int decimales = Decimales(point < 0 ? 0 : double(motif.size() - point - 1));
    const QStringView entier = QStringView(motif).left(point < 0 ? motif.size() : point);
    const bool groupes = entier.contains(QLatin1Char(' ')) || entier.contains(QLatin1Char(','));
    QLocale format = regional;
    format.setNumberOptions(groupes ? QLocale::DefaultNumberOptions : QLocale::OmitGroupSeparator);
    return format.toString(ArrondiDecimal(nombre, decimales), 'f', decimales);
}

QVariant Arrondir(const QVariant& valeur, const QVariant& decimales, const QLocale& regional) {
    if (valeur.isNull()) {
        return {};
    }
    return ArrondiDecimal(EnNombre(valeur, regional), Decimales(EnNombre(decimales, regional)));
}

QVariant Formater(const QVariant& valeur, const QVariant& format, const QLocale& regional) {
    if (valeur.isNull()) {
        return QString();
    }
    if (EstNombre(format)) {
        QLocale groupee = regional;
        groupee.setNumberOptions(QLocale::DefaultNumberOptions);
        const int decimales = Decimales(format.toDouble());
        return groupee.toString(ArrondiDecimal(EnNombre(valeur, regional), decimales), 'f',
                                decimales);
    }
    const QString motif = format.toString();
    switch (valeur.typeId()) {
        case QMetaType::QDate:
            return regional.toString(valeur.toDate(), motif);
        case QMetaType::QDateTime:
            return regional.toString(valeur.toDateTime(), motif);
        case QMetaType::QTime:
            return regional.toString(valeur.toTime(), motif);
        default:
            if (EstNombre(valeur)) {
                return FormaterNombre(valeur.toDouble(), motif, regional);
            }
            return ValeurEnTexte(valeur, regional);
    }
}

int Comparer(const QVariant& a, const QVariant& b, const QLocale& regional) {
    if ((EstNombre(a) || a.isNull()) && (EstNombre(b) || b.isNull()) &&
        !(a.isNull() && b.isNull())) {
        const double x = EnNombre(a, regional), y = EnNombre(b, regional);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::QDate && b.typeId() == QMetaType::QDate) {
        return a.toDate() < b.toDate() ? -1 : (a.toDate() > b.toDate() ? 1 : 0);
    }
    if (a.typeId() == QMetaType::Bool && b.typeId() == QMetaType::Bool) {
        return int(a.toBool()) - int(b.toBool());
    }
    return ValeurEnTexte(a, regional).compare(ValeurEnTexte(b, regional));
}

// Whole numbers stay whole unless the result goes beyond 64 bits; then it is computed as a
// decimal.
std::optional<qlonglong> Entier(Operateur op, qlonglong x, qlonglong y) {
    qlonglong n = 0;
    const bool deborde = op == Operateur::Plus    ? qAddOverflow(x, y, &n)
                         : op == Operateur::Moins ? qSubOverflow(x, y, &n)
                                                  : qMulOverflow(x, y, &n);
    return deborde ? std::nullopt : std::optional(n);
}

class Evaluateur {
public:
    explicit Evaluateur(const ContexteEvaluation& contexte)
        : c_(contexte), regional_(contexte.Regional()) {}

    QVariant operator()(const Noeud& noeud) const {
        return std::visit([this](const auto& contenu) { return Valeur(contenu); }, noeud.contenu);
    }

private:
    QVariant Valeur(const QVariant& constante) const { return constante; }
    QVariant Valeur(const ReferenceChamp& reference) const { return c_.Champ(reference); }
    QVariant Valeur(Variable variable) const { return c_.ValeurVariable(variable); }

    QVariant Valeur(const Noeud::Appel& appel) const {
        const auto argument = [&](int i) { return (*this)(*appel.arguments[i]); };
        switch (appel.fonction) {
            case Fonction::Si:
                return ValeurVraie(argument(0)) ? argument(1) : argument(2);
            case Fonction::Majuscules:
                return regional_.toUpper(ValeurEnTexte(argument(0), regional_));
            case Fonction::Minuscules:
                return regional_.toLower(ValeurEnTexte(argument(0), regional_));
            case Fonction::SupprimerEspaces:
                return ValeurEnTexte(argument(0), regional_).trimmed();
            case Fonction::EstVide:
                return ValeurEnTexte(argument(0), regional_).trimmed().isEmpty();
            case Fonction::Format:
                return Formater(argument(0), argument(1), regional_);
            case Fonction::Arrondi:
                return Arrondir(argument(0), argument(1), regional_);
        }
        return {};
    }

    QVariant Valeur(const Noeud::Operation& op) const {
        const QVariant a = (*this)(*op.gauche);
        switch (op.operateur) {
            case Operateur::Non:
                return !ValeurVraie(a);
            case Operateur::Oppose:  // 0 - a: a whole number stays whole while it fits
                return Arithmetique(Operateur::Moins, QVariant(qlonglong(0)), a);
            default:
                return Binaire(op.operateur, a, (*this)(*op.droite));
        }
    }

    QVariant Valeur(const Noeud::Suite& suite) const {
        QVariant a = (*this)(*suite.premier);
        for (const auto& [op, terme] : suite.suivants) {
            a = Suivant(op, a, *terme);
        }
        return a;
    }

    // et and ou read their right side only when the left one leaves the result open.
    QVariant Suivant(Operateur op, const QVariant& a, const Noeud& terme) const {
        switch (op) {
            case Operateur::Et:
                return ValeurVraie(a) && ValeurVraie((*this)(terme));
            case Operateur::Ou:
                return ValeurVraie(a) || ValeurVraie((*this)(terme));
            default:
                return Binaire(op, a, (*this)(terme));
        }
    }

    QVariant Binaire(Operateur op, const QVariant& a, const QVariant& b) const {
        switch (op) {
            case Operateur::Egal:
                return Comparer(a, b, regional_) == 0;
            case Operateur::Different:
                return Comparer(a, b, regional_) != 0;
            case Operateur::Inferieur:
                return Comparer(a, b, regional_) < 0;
            case Operateur::InferieurEgal:
                return Comparer(a, b, regional_) <= 0;
            case Operateur::Superieur:
                return Comparer(a, b, regional_) > 0;
            case Operateur::SuperieurEgal:
                return Comparer(a, b, regional_) >= 0;
            default:
                return Arithmetique(op, a, b);
        }
    }

    QVariant Arithmetique(Operateur op, const QVariant& a, const QVariant& b) const {
        if (op == Operateur::Plus && (EstTexte(a) || EstTexte(b))) {
            return ValeurEnTexte(a, regional_) + ValeurEnTexte(b, regional_);
        }
        if (op != Operateur::Divise && (EstEntier(a) || a.isNull()) &&
            (EstEntier(b) || b.isNull())) {
            if (const std::optional<qlonglong> n = Entier(op, a.toLongLong(), b.toLongLong())) {
                return *n;
            }
        }
        const double x = EnNombre(a, regional_), y = EnNombre(b, regional_);
        switch (op) {
            case Operateur::Plus:
                return x + y;
            case Operateur::Moins:
                return x - y;
            case Operateur::Fois:
                return x * y;
            default:
                // A zero divisor leaves the result empty rather than printing an infinity.
                return y == 0 ? QVariant() : QVariant(x / y);
        }
    }

    const ContexteEvaluation& c_;
    const QLocale& regional_;
};

}  // namespace

// The halves are decided on three more decimals than kept, as digits, not on the binary value.
double ArrondiDecimal(double nombre, int n) {
    if (!std::isfinite(nombre)) {
        return nombre;
    }
    QString chiffres = QString::number(std::abs(nombre), 'f', n + 3);
    const bool monte = chiffres.at(chiffres.size() - 3) >= QLatin1Char('5');
    chiffres.chop(n == 0 ? 4 : 3);
    for (qsizetype i = chiffres.size() - 1; monte; --i) {
        if (i < 0) {
            chiffres.prepend(QLatin1Char('1'));
            break;
        }
        if (chiffres.at(i) == QLatin1Char('.')) {
            continue;
        }
        const bool retenue = chiffres.at(i) == QLatin1Char('9');
        chiffres[i] = retenue ? QLatin1Char('0') : QChar(chiffres.at(i).unicode() + 1);
        if (!retenue) {
            break;
        }
    }
    const double arrondi = chiffres.toDouble();
    return arrondi == 0 ? 0.0 : std::copysign(arrondi, nombre);
}

Expression Expression::Analyser(const QString& source) {
    if (source.size() > kLongueurMaxExpression) {
        throw ErreurExpression(QStringLiteral("expression de %1 caractères, %2 caractères au plus")
                                   .arg(source.size())
                                   .arg(kLongueurMaxExpression));
    }
    ExpressionAnalysee analysee = AnalyserSource(source);
    Expression expression;
    expression.racine_ = std::move(analysee.racine);
    expression.source_ = source;
    expression.references_ = std::move(analysee.references);
    expression.variables_ = std::move(analysee.variables);
    return expression;
}

QVariant Expression::Evaluer(const ContexteEvaluation& contexte) const {
    return Evaluateur(contexte)(*racine_);
}

bool Expression::Utilise(Variable variable) const {
    return variables_.contains(variable);
}

QString ValeurEnTexte(const QVariant& valeur, const QLocale& regional) {
    if (valeur.isNull()) {
        return QString();
    }
    switch (valeur.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float: {
            QLocale sansGroupes = regional;
            sansGroupes.setNumberOptions(QLocale::OmitGroupSeparator);
            // Fifteen significant digits, as the data was written: 1.1 + 0.1 shows 1,2.
            const double arrondi = QString::number(valeur.toDouble(), 'g', 15).toDouble();
            return sansGroupes.toString(arrondi, 'f', QLocale::FloatingPointShortest);
        }
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return QString::number(valeur.toLongLong());
        case QMetaType::QDate:
            return regional.toString(valeur.toDate(), QLocale::ShortFormat);
        case QMetaType::QTime:
            return regional.toString(valeur.toTime(), QLocale::ShortFormat);
        case QMetaType::QDateTime:
            return regional.toString(valeur.toDateTime(), QLocale::ShortFormat);
        case QMetaType::Bool:
            return valeur.toBool() ? QStringLiteral("Vrai") : QStringLiteral("Faux");
        case QMetaType::QByteArray:
            return QString();
        default:
            return valeur.toString();
    }
}

bool ValeurVraie(const QVariant& valeur) {
    if (valeur.isNull()) {
        return false;
    }
    if (valeur.typeId() == QMetaType::Bool || EstNombre(valeur)) {
        return valeur.toDouble() != 0;
    }
    return !valeur.toString().isEmpty();
}

TexteExpressions TexteExpressions::Analyser(const QString& source,
                                            QString (*caracteres)(const QString&)) {
    TexteExpressions texte;
    QString litteral;
    qsizetype i = 0;
    while (i < source.size()) {
        if (source.at(i) != QLatin1Char('[')) {
            litteral += source.at(i++);
            continue;
        }
        // The closing bracket is the first one outside quotes.
        qsizetype fin = i + 1;
        QChar guillemet;
        for (; fin < source.size(); ++fin) {
            const QChar c = source.at(fin);
            if (!guillemet.isNull()) {
                if (c == guillemet) {
                    guillemet = QChar();
                }
            } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                guillemet = c;
            } else if (c == QLatin1Char(']')) {
                break;
            }
        }
        if (fin >= source.size()) {
            throw ErreurExpression(
                QStringLiteral("crochet sans fin dans « %1 »").arg(source.mid(i, 40)));
        }
        texte.litteraux_.append(litteral);
        litteral.clear();
        const QString expression = source.mid(i + 1, fin - i - 1);
        texte.expressions_.append(
            Expression::Analyser(caracteres ? caracteres(expression) : expression));
        i = fin + 1;
    }
    texte.litteraux_.append(litteral);
    return texte;
}

QString TexteExpressions::Evaluer(const ContexteEvaluation& contexte) const {
    QString resultat = litteraux_.first();
    for (qsizetype i = 0; i < expressions_.size(); ++i) {
        resultat += ValeurEnTexte(expressions_[i].Evaluer(contexte), contexte.Regional());
        resultat += litteraux_[i + 1];
    }
    return resultat;
}

bool TexteExpressions::Utilise(Variable variable) const {
    return std::any_of(expressions_.begin(), expressions_.end(),
                       [variable](const Expression& e) { return e.Utilise(variable); });
}

QList<ReferenceChamp> TexteExpressions::References() const {
    QList<ReferenceChamp> references;
    for (const Expression& e : expressions_) {
        references += e.References();
    }
    return references;
}
