#include "app/FlowKit.h"

#include "model/Prompts.h"

namespace brenvik::app {

void Warn(const FlowKit& kit, const std::string& text) {
    kit.prompts.message(text);
}

} // namespace brenvik::app
