#include "editors.h"

#include "frequency_editor.h"
#include "password_editor.h"

namespace qrt58::editors {

void attach_editors(Form1& form) {
    new FrequencyEditor(form);
    new PasswordEditor(form);
}

} // namespace qrt58::editors
