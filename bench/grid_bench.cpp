// Data grid benchmark over one large table (1,000,000 rows unless --rows
// says otherwise, 10 columns), written by the engine's own writer:
//
//   Big(Id Long, Name Text(40), Amount Double, Category Long, Created Date,
//       Flag Yes/No, City Text(30), Qty Long, Price Double, Note Text(60))
//
// Measured, with the data window shown on the offscreen platform and each
// step followed by a full repaint of the window: opening the window to its
// first painted screen (the query, the column-width scan, the paint); 100
// page-downs (mean and worst); the jump to the last record; a quick filter
// typed into the Name bar until the grid shows the result; a title-click
// sort on Amount; resident memory with the window open against the file.
//
//   grid_bench [--rows N] [--file PATH]   (an existing PATH is reused)
#include <malloc.h>

#include <QApplication>
#include <QKeyEvent>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/f_dta.h"
#include "bench/bench_support.h"
#include "db/connection_string.h"
#include "db/xDBComponents_UDB.h"
#include "db/xDBComponents_UDB_query.h"
#include "grid/xDBGrid.h"
#include "grid/xDBGrid_funnel.h"
#include "grid/xDBGrid_model.h"
#include "grid/xDBGrid_sorter.h"
#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_writer.h"

namespace fs = std::filesystem;

namespace {

using bench::column;
using bench::report;
using bench::residentMb;
using bench::seconds;
using bench::step;

void writeTable(const std::string& path, long rows) {
    jet::TableSpec spec;
    spec.name = "Big";
    spec.columns = {column("Id", 4),        column("Name", 10, 40), column("Amount", 7),
                    column("Category", 4),  column("Created", 8),   column("Flag", 1),
                    column("City", 10, 30), column("Qty", 4),       column("Price", 7),
                    column("Note", 10, 60)};
    static const char* cities[] = {"Praha", "Brno", "Ostrava", "Plzen", "Liberec", "Olomouc"};
    bench::RandomRows random;
    bench::writeTableFile(path, spec, rows, [&](long i, std::vector<jet::Value>& values) {
        random.next(i);
        const unsigned r = random.r;
        const std::string& name = random.name;
        values[0] = jet::Value::integer(i);
        values[1] = jet::Value::text(name);
        values[2] = jet::Value::real(static_cast<double>(r % 10000000) / 100.0);
        values[3] = jet::Value::integer(r % 100);
        values[4] = jet::Value::dateTime(40000.0 + static_cast<double>(r % 3650));
        values[5] = jet::Value::boolean(r % 3 == 0);
        values[6] = jet::Value::text(cities[r % 6]);
        values[7] = jet::Value::integer(r % 1000);
        values[8] = jet::Value::real(static_cast<double>(r % 100000) / 10.0);
        values[9] = jet::Value::text("note " + std::to_string(r % 100000));
    });
}

void pressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &release);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    long rows = 1000000;
    std::string path = (fs::temp_directory_path() / "tabulon_grid_bench.mdb").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--rows") rows = std::atol(argv[i + 1]);
        if (arg == "--file") path = argv[i + 1];
    }
    if (!fs::exists(path)) {
        const double written = seconds([&] { writeTable(path, rows); });
        report("write the table", written,
               std::to_string(rows) + " rows, " +
                   std::to_string(fs::file_size(path) / (1024 * 1024)) + " MB file");
    }
    const long fileMb = long(fs::file_size(path) / (1024 * 1024));
    const long before = residentMb();

    TConnectionUDB connection;
    const QString file = QString::fromStdString(path);
    connection.setConnectionString(
        db::buildAccessConnectionString(db::providerForFile(file, true), file, QString()));
    {
        TQueryUDB alone;
        alone.SetConnection(&connection);
        alone.SetSQL(QStringLiteral("SELECT * FROM\nBig\nWHERE 1=1"));
        step(
            "the window's query alone (open)", [&] { alone.Open(); },
            [&] { return std::to_string(alone.RecordCount()) + " rows"; });
    }
    {
        TQueryUDB plain;
        plain.SetConnection(&connection);
        plain.SetSQL(QStringLiteral("SELECT * FROM Big"));
        step(
            "the same without WHERE 1=1 (open)", [&] { plain.Open(); },
            [&] { return std::to_string(plain.RecordCount()) + " rows"; });
    }
    TxDBGridSorter_UDB sorter;
    auto* window = new TDta(&connection, &sorter);
    TxDBGrid* grid = window->grData;
    const auto paint = [&] {
        window->repaint();
        QApplication::processEvents();
    };
    step(
        "open the data window to its first paint",
        [&] {
            window->show();
            window->OpenData("Big");
            paint();
        },
        [&] { return std::to_string(grid->gridModel()->rowCount()) + " rows"; });

    grid->setFocus();
    grid->setCurrentIndex(grid->gridModel()->index(0, 1));
    double worst = 0, total = 0;
    for (int i = 0; i < 100; ++i) {
        const double s = seconds([&] {
            pressKey(grid, Qt::Key_PageDown);
            paint();
        });
        worst = std::max(worst, s);
        total += s;
    }
    report(
        "page down (mean of 100)", total / 100,
        "worst " + std::to_string(worst) + " s, record " + std::to_string(window->query().RecNo()));
    step(
        "jump to the last record (Ctrl+End)",
        [&] {
            pressKey(grid, Qt::Key_End, Qt::ControlModifier);
            paint();
        },
        [&] { return "record " + std::to_string(window->query().RecNo()); });
    step(
        "quick filter Name 'abc' to the shown result",
        [&] {
            grid->SetColumnTextFilter(1, "abc");
            paint();
        },
        [&] { return std::to_string(grid->gridModel()->rowCount()) + " rows"; });
    step("clear the filter", [&] {
        grid->SetColumnTextFilter(1, QString());
        paint();
    });
    step(
        "title-click sort on Amount",
        [&] {
            grid->TitleClick(2, Qt::NoModifier);
            paint();
        },
        [&] { return grid->SortFieldName().toStdString(); });
    step(
        "title-click sort on Amount again (descending)",
        [&] {
            grid->TitleClick(2, Qt::NoModifier);
            paint();
        },
        [&] { return grid->SortDirections().toStdString(); });
    step(
        "funnel list of City (all records)",
        [&] {
            grid->ShowFunnelFilter(6);
            paint();
        },
        [&] {
            return std::string(grid->FilterForm() && grid->FilterForm()->isVisible() ? "shown"
                                                                                     : "not shown");
        });
    if (grid->FilterForm()) grid->FilterForm()->hide();
    step("funnel list of Id (every value distinct)", [&] {
        grid->ShowFunnelFilter(0);
        paint();
    });
    if (grid->FilterForm()) grid->FilterForm()->hide();
    const long open = residentMb();
    report("resident memory with the window open", 0,
           std::to_string(open - before) + " MB above the start, file " + std::to_string(fileMb) +
               " MB");
    delete window;
    return 0;
}
