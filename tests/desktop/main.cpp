// Runs every window suite in one application.
#include <QTest>

#include "desktop/ApplicationForms.h"

int RunConfigOutputDlgTests(int argc, char** argv);
int RunInfoTagDlgTests(int argc, char** argv);
int RunMainFormTests(int argc, char** argv);

int main(int argc, char** argv) {
    deraz::TDerazApplication Application(argc, argv);
    int Failed = 0;
    for (auto* Run : {RunMainFormTests, RunConfigOutputDlgTests, RunInfoTagDlgTests})
        Failed += Run(argc, argv);
    return Failed == 0 ? 0 : 1;
}
