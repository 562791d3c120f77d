#include "edit/object_form.h"

int ShowObjectForm(HWND, HINSTANCE, const TObjectRef&, int, int) { return 0; }
