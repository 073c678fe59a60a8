// A fixture: this unit and windows include each other.
#pragma once
