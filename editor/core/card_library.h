// The card library as the editor's workflows see it: one member per bound
// library function, so that the workflows run against the real library in
// the program and against a scripted one in tests.
#pragma once

#include "core/nimbrel_binding.h"
#include "nimbrel.h"

#include <initializer_list>

namespace brisken {

class CardLibrary {
public:
    virtual ~CardLibrary() = default;

    // Makes sure the listed functions can be called; false (and the user has
    // been told) when the library or one of them is missing.
    virtual bool Require(std::initializer_list<NimbrelFunction> functions) = 0;

#define BRISKEN_NIMBREL_MEMBER(name, parameters, arguments) virtual QuarnResult name parameters = 0;
    BRISKEN_NIMBREL_FUNCTIONS(BRISKEN_NIMBREL_MEMBER)
#undef BRISKEN_NIMBREL_MEMBER
};

// The library deployed beside the program, through its lazy binding. A
// missing library or function answers NimbrelBinding::kNotBound, and Require
// tells the user (messages 181 and 190).
class NimbrelCardLibrary final : public CardLibrary {
public:
    NimbrelCardLibrary();
    explicit NimbrelCardLibrary(NimbrelBinding& binding) : binding_(binding) {}

    bool Require(std::initializer_list<NimbrelFunction> functions) override;

#define BRISKEN_NIMBREL_MEMBER(name, parameters, arguments) QuarnResult name parameters override;
    BRISKEN_NIMBREL_FUNCTIONS(BRISKEN_NIMBREL_MEMBER)
#undef BRISKEN_NIMBREL_MEMBER

private:
    NimbrelBinding& binding_;
};

// Passes every call on to another library; a wrapper overrides only what it changes.
class ForwardingCardLibrary : public CardLibrary {
public:
    explicit ForwardingCardLibrary(CardLibrary& inner) : inner_(inner) {}

    bool Require(std::initializer_list<NimbrelFunction> functions) override {
        return inner_.Require(functions);
    }

#define BRISKEN_NIMBREL_MEMBER(name, parameters, arguments)                                        \
    QuarnResult name parameters override {                                                         \
        return inner_.name arguments;                                                              \
    }
    BRISKEN_NIMBREL_FUNCTIONS(BRISKEN_NIMBREL_MEMBER)
#undef BRISKEN_NIMBREL_MEMBER

protected:
    CardLibrary& inner_;
};

} // namespace brisken
