#include "edit/new_object_builder.h"

#include <cstdio>

#include "base/program_host.h"
#include "base/save_report.h"
#include "edit/work_log.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"

namespace {
constexpr uint16_t kTagFixTime = 12;
}  // namespace

void TNewObjectBuilder::Bind(TMdmMap* target, const uint16_t kindCodes[kKinds],
                             const std::string& log) {
  map = target;
  for (int i = 0; i < kKinds; ++i) codes[i] = kindCodes ? kindCodes[i] : 0;
  logPath = log;
}

void TNewObjectBuilder::Unbind() {
  map = nullptr;
  pending = 0;
  logPath.clear();
}

void TNewObjectBuilder::SetCode(uint16_t code) {
  codes[kind] = code;
  if (HasObject()) map->SetObjectCode(PendingIndex(), code);
}

uint16_t TNewObjectBuilder::GetCodeOrKind() const {
  if (codes[kind] > 0) return codes[kind];
  return kind >= 1 && kind <= 4 ? kind : 0;
}

uint16_t TNewObjectBuilder::GetPendingCode() const {
  return HasObject() ? map->GetObjectCode(PendingIndex()) : 0;
}

void TNewObjectBuilder::ApplyCode(uint16_t code) {
  if (HasObject()) map->SetObjectCode(PendingIndex(), code);
}

int32_t TNewObjectBuilder::MakeObject() {
  // A kind without a chosen type makes the plain type of the kind (class 0): code 0 would be
  // no object at all, dropped and made again by every preview.
  const uint16_t code = GetCodeOrKind();
  int32_t index = 0;
  if (kind == mdm::kKindPoint)
    index = map->AddPointObject(code, 0, 0, 1);
  else if (kind >= mdm::kKindLine && kind <= mdm::kKindText)
    index = map->AddObject(code, kind);
  if (index <= 0) return -1;
  SYSTEMTIME fix{};
  if (ProgramHost().GetFixTime(&fix)) {
    char text[16];
    std::snprintf(text, sizeof text, "%02i:%02i:%02i", fix.wHour % 100, fix.wMinute % 100,
                  fix.wSecond % 100);
    map->SetStrAttr(uint16_t(index), kTagFixTime, text);
  }
  return index & 0xFFFF;
}

int32_t TNewObjectBuilder::CreatePending() {
  if (!map) return pending = -1;
  SaveMap();
  return pending = MakeObject();
}

int TNewObjectBuilder::Revive() {
  if (!HasObject() || map->GetObjectCode(PendingIndex()) != 0) return 0;
  pending = MakeObject();
  return pending > 0 ? 1 : 0;
}

void TNewObjectBuilder::DiscardPending() {
  if (!HasObject()) {
    pending = 0;
    return;
  }
  // A save by another hand (a point from the GPS bar) may have written the pending object with
  // its preview; its deletion then has to reach the file too. One without geometry no save
  // writes, and marking for it would only cost a regrouping at the exit.
  const bool placed = !PendingIsEmpty();
  if (map->DeleteObject(PendingIndex()) && placed && map == g_UserLayer.GetMap()) g_UserLayer.SetModified();
  pending = 0;
}

bool TNewObjectBuilder::PendingIsEmpty() const {
  const TMapObject* o = map->GetObjectRecord(PendingIndex());
  if (!o || o->code == 0) return true;
  return (o->code & 7) == mdm::kKindPoint ? o->box[0] == 0 && o->box[1] == 0 : o->vertexCount <= 0;
}

int TNewObjectBuilder::DropIfEmpty() {
  if (!HasObject()) return 0;
  const TMapObject* o = map->GetObjectRecord(PendingIndex());
  if (!o || o->code == 0 || !PendingIsEmpty()) return 0;
  DiscardPending();
  return 1;
}

void TNewObjectBuilder::SaveMap() {
  if (map == g_UserLayer.GetMap() && map) {
    // Through the working-map layer, which did not see the construction's edits: a failure is
    // told once and the map stays unsaved, so the autosave, Close and the exit write it again.
    g_UserLayer.SetModified();
    g_UserLayer.Save(0);
  } else if (map && map->Save(map->path, 0) != kMdmOk) {
    // Bound to a map that is no longer the working one: written all the same, and told.
    ReportSaveFailure(TSaveKind::kMap, map->path);
  }
  pending = 0;
}

void AppendToSection(const TNewObjectBuilder& builder, const char* section, const std::string& text) {
  if (builder.logPath.empty()) return;
  work_log::AppendToSection(builder.logPath, section, text);
}

void AppendWorkTime(const TNewObjectBuilder& builder, const std::string& text) {
  AppendToSection(builder, "WORKTIME", text);
}

void AppendToolsRecord(const TNewObjectBuilder& builder, const std::string& text) {
  AppendToSection(builder, "TOOLS", text);
}
