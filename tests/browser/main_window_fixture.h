#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "browser/Kelvane_main.h"
#include "settings/settings.h"
#include "tests/support/archive_builder.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"

namespace kelvane::test {

// The real main window, shown offscreen and driven through the scripted desktop.
class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { settings() = Settings{}; }
    void TearDown() override { settings() = Settings{}; }

    std::string iniPath() const { return (dir.path() / "Kelvane.ini").string(); }

    Tform_main& window() {
        if (!form) {
            form = std::make_unique<Tform_main>(iniPath());
            form->show();
        }
        return *form;
    }

    std::string archive(const std::string& name, ArchiveLayout layout,
                        const std::vector<StoredFile>& files) const {
        const std::string path = (dir.path() / name).string();
        writeArchive(path, layout, files);
        return path;
    }

    void open(const std::string& path) {
        desktop.openFileAnswers.push_back(QString::fromStdString(path));
        click("btnOpenPOD");
    }

    void click(const char* button) {
        QToolButton* target = window().findChild<QToolButton*>(button);
        ASSERT_NE(target, nullptr) << button;
        target->click();
    }

    void trigger(const char* action) { window().findChild<QAction*>(action)->trigger(); }

    QTableView* grid() { return window().findChild<QTableView*>("sgPodview"); }
    int rows() { return grid()->model()->rowCount(); }
    QString cell(int row, int column) {
        return grid()->model()->index(row, column).data().toString();
    }
    QStringList column(int column) {
        QStringList texts;
        for (int row = 0; row < rows(); ++row) texts << cell(row, column);
        return texts;
    }
    QString status() { return window().findChild<QLabel*>("StatusLine")->text(); }

    void clickCell(int row, int column) {
        QTableView* view = grid();
        const QRect rect = view->visualRect(view->model()->index(row, column));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void doubleClickCell(int row, int column) {
        QTableView* view = grid();
        view->scrollTo(view->model()->index(row, column));
        const QPoint at = view->visualRect(view->model()->index(row, column)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    void clickHeader(int section) {
        QHeaderView* header = grid()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    TempDir dir;
    ScriptedDesktop desktop;
    std::unique_ptr<Tform_main> form;
};

}  // namespace kelvane::test
