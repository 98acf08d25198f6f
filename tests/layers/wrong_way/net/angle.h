#pragma once
// Goes against the graph in angle brackets: the check sees it all the same.
#include <ui/view.h>
#include <net/if.h>
