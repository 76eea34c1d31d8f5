#pragma once

#include <memory>
#include <utility>
#include <variant>
#include <vector>

#include "Expression.h"

// The parsed form of an expression, shared by the parser and the evaluator.

enum class Operateur {
    Plus,
    Moins,
    Fois,
    Divise,
    Egal,
    Different,
    Inferieur,
    InferieurEgal,
    Superieur,
    SuperieurEgal,
    Et,
    Ou,
    Non,
    Oppose
};
enum class Fonction { Si, Majuscules, Minuscules, SupprimerEspaces, EstVide, Format, Arrondi };

struct Expression::Noeud {
    struct Appel {
        Fonction fonction;
        std::vector<std::shared_ptr<const Noeud>> arguments;
    };
    struct Operation {
        Operateur operateur;
        std::shared_ptr<const Noeud> gauche;
        std::shared_ptr<const Noeud> droite;  // null for the unary operators
    };
    // Terms of one precedence level joined left to right (a + b - c, a et b et c): held side by
    // side rather than nested, so that a long sum costs no depth.
    struct Suite {
        std::shared_ptr<const Noeud> premier;
        std::vector<std::pair<Operateur, std::shared_ptr<const Noeud>>> suivants;
    };
    std::variant<QVariant, ReferenceChamp, Variable, Operation, Suite, Appel> contenu;
};

struct ExpressionAnalysee {
    std::shared_ptr<const Expression::Noeud> racine;
    QList<ReferenceChamp> references;  // in the order they appear
    QList<Variable> variables;
};

// Parses an expression's source; throws ErreurExpression with the position of the fault.
ExpressionAnalysee AnalyserSource(const QString& source);
