// A fixture: on no cycle.
#pragma once
