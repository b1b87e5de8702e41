// ferrywell: the desktop program.
#include <app/ferrywell_app.h>

int main(int argc, char** argv) {
    app::CFerrywellApp application(argc, argv);
    return application.InitInstance();
}
