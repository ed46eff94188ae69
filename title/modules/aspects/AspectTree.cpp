#include "title/modules/aspects/AspectTree.h"

#include "engine/core/VString.h"
#include "engine/script/ScriptLexer.h"

void AspectTree::ReadRootScript(const VString& text, AspectLoadBudget& budget) {
  BeginScript(text);
  if (!OpenBlock("ASPECT")) return;
  ItemRef ignored;
  ReadItemRefField("ID", ignored, true);
  if (!OpenBlock("CHILDREN")) return;
  AspectRecord::ReadAspectIds(topLevel_, nullptr, budget);
}

void AspectTree::Load(const AspectTextSource& source) {
  topLevel_.DeleteAll();
  const uint16_t media = AspectRecord::GetScriptMediaId(0);
  if (media == 0 || !source) return;
  AspectLoadBudget budget{AspectRecord::kMaxRecords};
  VString text;
  source(media, text);
  ReadRootScript(text, budget);
  for (int32_t i = topLevel_.GetCount() - 1; i >= 0; --i) {
    GetAt(i)->Load(&topLevel_, true, source, budget);
  }
}
