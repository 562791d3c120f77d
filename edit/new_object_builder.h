// The construction tools' target: the working map they build in, the type code chosen for each
// object kind, the current kind and the pending object, the new map object every construction
// writes its geometry into. It also carries the path of the map's work log.
//
// Pending ids: the low 16 bits are the object index; -1 when the last creation made no object
// (no map, or kind 0); 0 after DiscardPending or SaveMap. Only an id above 0 names an object.
#pragma once

#include <cstdint>
#include <string>

class TMdmMap;

class TNewObjectBuilder {
 public:
  static constexpr int kKinds = 5;  // 0 none, 1 point, 2 line, 3 area, 4 text

  void Bind(TMdmMap* target, const uint16_t kindCodes[kKinds], const std::string& log);
  void Unbind();
  uint16_t GetCode() const { return codes[kind]; }
  // Also the pending object's type code, when there is one.
  void SetCode(uint16_t code);
  // The current kind's code when above 0, else the kind number; the type dialog starts there.
  uint16_t GetCodeOrKind() const;
  uint16_t GetPendingCode() const;
  // Writes a code to the pending object only.
  void ApplyCode(uint16_t code);
  void SetKind(uint8_t k) { kind = k < kKinds ? k : 0; }
  uint8_t GetKind() const { return kind; }
  int32_t GetPending() const { return pending; }
  bool HasObject() const { return map && pending > 0; }
  uint16_t PendingIndex() const { return uint16_t(pending & 0xFFFF); }
  // Saves the map, then makes the pending object of the current kind and code: a point at the
  // origin (forced: the origin is on the extent's edge), or an empty line, area or text. While
  // the GPS port is open the fix's time of day goes into its text attribute 12. Its id, -1 when
  // none was made.
  int32_t CreatePending();
  // A save drops a line or area without vertices (its code becomes 0); a construction that
  // goes on writes into a fresh object instead. 1 when one was made.
  int Revive();
  // Deletes the pending object from the map; the id becomes 0.
  void DiscardPending();
  // Deletes the pending object when it has no geometry: a point still at the origin (outside
  // the strict extent, so never placed), a line, area or text without vertices. 1 when deleted.
  int DropIfEmpty();
  // Marks the working-map layer modified and saves through it (see maps/user_layer.h).
  void SaveMap();

  TMdmMap* map = nullptr;
  uint16_t codes[kKinds] = {};
  uint8_t kind = 0;
  int32_t pending = 0;
  std::string logPath;  // map path, extension cut, ".gtl"

 private:
  int32_t MakeObject();
  // The pending object has no geometry (see DropIfEmpty), or is gone.
  bool PendingIsEmpty() const;
};

// The work log of the builder's map (edit/work_log.h): the receiver's recordings and the
// constructions.
void AppendToSection(const TNewObjectBuilder& builder, const char* section, const std::string& text);
void AppendWorkTime(const TNewObjectBuilder& builder, const std::string& text);
void AppendToolsRecord(const TNewObjectBuilder& builder, const std::string& text);
