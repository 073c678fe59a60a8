// A fixture for the writable-variable count: five writable variables of the
// kinds the count looks for (B, b, D, d), one of them a static local, beside
// a constant it must not count.
namespace fixture {
int counter = 0;                          // B
static int hidden = 0;                    // b
double scale = 1.5;                       // D
static const char* names[] = {"a", "b"};  // d
constexpr int kConstant = 7;              // not a variable in the object file

int& Local() {
    static int local = 3;  // d
    return local;
}

void Change(int value) {
    hidden = value;
    names[value & 1] = "c";
}

int Use() {
    return counter + hidden + static_cast<int>(scale) + (names[0][0] == 'a') + kConstant + Local();
}
}  // namespace fixture
