#include "pages.h"

namespace qrt58::ui {

std::vector<ControlSpec> codes_page_controls() {
    std::vector<ControlSpec> rows;
    return rows;
}

} // namespace qrt58::ui
