// The reference for the reporter's start-up: a bare QApplication that prints one line and quits.
#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    std::printf("connected\n");
    return 0;
}
