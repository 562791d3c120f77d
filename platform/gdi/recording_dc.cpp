// The recording DC: a memory DC whose drawing calls are also logged with the DC's state.
#include "platform/gdi/recording_dc.h"

#include "platform/gdi/gdi_internal.h"

namespace vplat::gdi {

struct RecordedCallList {
  std::vector<RecordedCall> calls;
};

Recorder::~Recorder() = default;

void Record(Dc& dc, const char* name, std::initializer_list<int64_t> args, const POINT* pts,
            size_t npts, const wchar_t* text, size_t textLen) {
  if (!dc.rec) return;
  RecordedCall c;
  c.name = name;
  c.args.assign(args.begin(), args.end());
  if (pts) c.points.assign(pts, pts + npts);
  if (text) c.text.assign(text, textLen);
  if (Pen* p = FindAs<Pen>(dc.st.pen, Kind::Pen)) {
    c.pen.style = p->style;
    c.pen.width = p->width;
    c.pen.color = p->color;
  }
  if (Brush* b = FindAs<Brush>(dc.st.brush, Kind::Brush)) {
    c.brush.style = b->style;
    c.brush.color = b->color;
  }
  if (Font* f = FindAs<Font>(dc.st.font, Kind::Font)) {
    c.font.height = f->lf.lfHeight;
    c.font.weight = f->lf.lfWeight;
    c.font.escapement = f->lf.lfEscapement;
    c.font.italic = f->lf.lfItalic != 0;
    c.font.face = f->lf.lfFaceName;
  }
  c.textColor = dc.st.text;
  c.bkColor = dc.st.bk;
  c.bkMode = dc.st.bkMode;
  c.rop2 = dc.st.rop2;
  dc.rec->calls->calls.push_back(std::move(c));
}

void RecordAdvances(Dc& dc, const INT* dx, size_t n) {
  if (!dc.rec || !dx || dc.rec->calls->calls.empty()) return;
  dc.rec->calls->calls.back().dx.assign(dx, dx + n);
}

int FixedAdvance(const Dc& dc) { return dc.rec ? dc.rec->fixedAdvance : 0; }

}  // namespace vplat::gdi

namespace vplat {

using namespace gdi;

HDC CreateRecordingDC(const RecordingOptions& options) {
  HBITMAP bmp = nullptr;
  if (!NewBitmap(options.width, options.height, &bmp)) return nullptr;
  HDC hdc = CreateCompatibleDC(nullptr);
  Dc* d = FindDc(hdc);
  if (!d) {
    DeleteObject(bmp);
    return nullptr;
  }
  SelectObject(hdc, bmp);
  d->rec = std::make_unique<Recorder>();
  d->rec->calls = std::make_unique<RecordedCallList>();
  d->rec->own = bmp;
  d->rec->fixedAdvance = options.fixedAdvance > 0 ? options.fixedAdvance : 0;
  d->noDraw = !options.draw;
  UpdateClip(*d);
  return hdc;
}

const std::vector<RecordedCall>* RecordedCalls(HDC hdc) {
  Dc* d = FindDc(hdc);
  return d && d->rec ? &d->rec->calls->calls : nullptr;
}

void ClearRecordedCalls(HDC hdc) {
  Dc* d = FindDc(hdc);
  if (d && d->rec) d->rec->calls->calls.clear();
}

}  // namespace vplat
