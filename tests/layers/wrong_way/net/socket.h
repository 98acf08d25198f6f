#pragma once
// A lower layer reaching up: the layer check must name this include.
#include "ui/view.h"
