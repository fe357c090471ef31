#include "editors.h"

#include "alerts_editor.h"
#include "capcode_editor.h"
#include "capcode_length_editor.h"
#include "display_editor.h"
#include "frequency_editor.h"
#include "melody_editor.h"
#include "password_editor.h"
#include "prompt_editor.h"
#include "source_prompt_editor.h"

namespace qrt58::editors {

void attach_editors(Form1& form) {
    new FrequencyEditor(form);
    new PasswordEditor(form);
    auto* capcodes = new CapcodeEditor(form);
    new CapcodeLengthEditor(form, *capcodes);
    auto* prompts = new PromptEditor(form);
    new SourcePromptEditor(form, *prompts);
    new DisplayEditor(form, *prompts);
    new AlertsEditor(form);
    new MelodyEditor(form);
}

} // namespace qrt58::editors
