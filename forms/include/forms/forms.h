#pragma once
// Everything a program needs to define and run its forms.
#include "forms/application.h"
#include "forms/canvas.h"
#include "forms/controls.h"
#include "forms/dialogs.h"
#include "forms/form.h"
#include "forms/list_view.h"
#include "forms/message_box.h"
#include "forms/types.h"
