#include "core/card_library.h"

namespace brisken {

NimbrelCardLibrary::NimbrelCardLibrary() : binding_(NimbrelBinding::Instance()) {}

bool NimbrelCardLibrary::Require(std::initializer_list<NimbrelFunction> functions) {
    return binding_.Require(functions);
}

#define BRISKEN_NIMBREL_MEMBER(name, parameters, arguments)                                        \
    QuarnResult NimbrelCardLibrary::name parameters {                                              \
        return binding_.name arguments;                                                            \
    }
BRISKEN_NIMBREL_FUNCTIONS(BRISKEN_NIMBREL_MEMBER)
#undef BRISKEN_NIMBREL_MEMBER

} // namespace brisken
