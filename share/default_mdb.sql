-- The template database FileMode/default.mdb: every new database file the program
-- writes starts as a copy of this one. The program addresses the columns of
-- "仪器配置表" and the first two named columns of "数据记录表" by name, and the value
-- columns of "数据记录表" by position: input k (1..8) at position k + 2. Keep both.
-- Dates are OLE day numbers (days since 1899-12-30, time of day in the fraction).

CREATE TABLE "仪器配置表" (
    "编号"         INTEGER PRIMARY KEY,  -- numbered by the database
    "通道最小"     INTEGER,              -- first channel index of the document (1)
    "通道最大"     INTEGER,              -- last channel index (number of channels)
    "通道"         INTEGER,              -- channel number
    "最大值"       REAL,
    "最小值"       REAL,
    "平均值"       REAL,
    "类型"         TEXT,                 -- ten characters with their padding
    "单位"         TEXT,                 -- ten characters with their padding
    "曲线颜色"     INTEGER,              -- RGB, red in the low byte
    "曲线最大坐标" INTEGER,
    "曲线最小坐标" INTEGER,
    "启动时间"     REAL,
    "用户名"       TEXT,
    "标题"         TEXT,
    "停止时间"     REAL
);

CREATE TABLE "数据记录表" (
    "编号"         INTEGER PRIMARY KEY,  -- position 0, numbered by the database
    "所属器件地址" INTEGER,              -- position 1
    "记录时间"     REAL,                 -- position 2
    "输入1"        REAL,                 -- position 3: logger input 1 (channel code 0)
    "输入2"        REAL,
    "输入3"        REAL,
    "输入4"        REAL,
    "输入5"        REAL,
    "输入6"        REAL,
    "输入7"        REAL,
    "输入8"        REAL                  -- position 10: logger input 8 (channel code 7)
);
