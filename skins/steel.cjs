/* Ferrowax skin "Steel": brushed blue-grey buttons, framed lists and a
   gradient progress bar. To wear it, copy this file to x/o.cjs in the
   program's folder and start Ferrowax again. The format is a Qt style sheet. */

QPushButton {
    color: #1d2b3a;
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #fbfcfd, stop: 0.5 #e6ecf2, stop: 1 #cdd7e1);
    border: 1px solid #7d8fa3;
    border-radius: 5px;
    padding: 1px 2px;
}

QPushButton:hover {
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 0.5 #eef4fa, stop: 1 #d9e6f2);
    border-color: #3d6da3;
}

QPushButton:pressed {
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #c4d3e3, stop: 1 #dde6ef);
}

QPushButton:focus {
    border: 2px solid #3d6da3;
}

QTableView {
    color: #1d2b3a;
    background: #ffffff;
    border: 1px solid #7d8fa3;
    border-radius: 4px;
    selection-background-color: #3d6da3;
    selection-color: #ffffff;
}

QHeaderView::section {
    color: #1d2b3a;
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #eef2f6, stop: 1 #cfd9e4);
    border: none;
    border-right: 1px solid #9fb0c2;
    border-bottom: 1px solid #9fb0c2;
    padding: 1px 6px;
}

QProgressBar {
    color: #1d2b3a;
    background: #ffffff;
    border: 1px solid #7d8fa3;
    border-radius: 5px;
    text-align: center;
}

QProgressBar::chunk {
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #a9d0f0, stop: 1 #4f82bb);
    border-radius: 4px;
}

QToolTip {
    color: #1d2b3a;
    background: #f4f8fc;
    border: 1px solid #7d8fa3;
}
