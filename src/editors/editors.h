// Attaches every editor of the main window. Call it after constructing Form1 and
// before form_load(); the editors live as children of the window.
#pragma once

class Form1;

namespace qrt58::editors {

void attach_editors(Form1& form);

} // namespace qrt58::editors
