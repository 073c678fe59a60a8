// A fixture: this unit and commands include each other.
#pragma once
