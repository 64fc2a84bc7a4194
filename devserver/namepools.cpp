#include "namepools.h"

#include "rng.h"

#include <QSet>

namespace {

struct Word
{
    const char *text;
    const char *initials;
};

const Word stockHeads[] = {
    {"华", "H"}, {"中", "Z"}, {"国", "G"}, {"东", "D"}, {"南", "N"}, {"西", "X"}, {"北", "B"}, {"天", "T"},
    {"金", "J"}, {"宝", "B"}, {"长", "C"}, {"新", "X"}, {"恒", "H"}, {"海", "H"}, {"广", "G"}, {"深", "S"},
    {"上", "S"}, {"京", "J"}, {"江", "J"}, {"浙", "Z"}, {"福", "F"}, {"安", "A"}, {"泰", "T"}, {"兴", "X"},
    {"永", "Y"}, {"鼎", "D"}, {"盛", "S"}, {"宏", "H"}, {"瑞", "R"}, {"嘉", "J"}, {"鸿", "H"}, {"信", "X"},
    {"联", "L"}, {"通", "T"}, {"力", "L"}, {"光", "G"}, {"明", "M"}, {"正", "Z"}, {"大", "D"}, {"亚", "Y"},
    {"太", "T"}, {"平", "P"}, {"和", "H"}, {"合", "H"}, {"博", "B"}, {"康", "K"}, {"健", "J"}, {"美", "M"},
    {"同", "T"}, {"佳", "J"}, {"融", "R"}, {"银", "Y"}, {"丰", "F"}, {"富", "F"}, {"达", "D"}, {"远", "Y"},
    {"航", "H"}, {"星", "X"}, {"晨", "C"}, {"春", "C"}, {"云", "Y"}, {"山", "S"}, {"川", "C"}, {"湖", "H"},
    {"岳", "Y"}, {"黄", "H"}, {"青", "Q"}, {"红", "H"}, {"紫", "Z"}, {"蓝", "L"}, {"万", "W"}, {"百", "B"},
    {"千", "Q"}, {"三", "S"}, {"凯", "K"}, {"欧", "O"}, {"雅", "Y"}, {"腾", "T"}, {"飞", "F"}, {"龙", "L"},
    {"凤", "F"}, {"鹏", "P"}, {"汇", "H"}, {"德", "D"}, {"仁", "R"}, {"元", "Y"}, {"利", "L"}, {"振", "Z"},
    {"昌", "C"}, {"隆", "L"}, {"泽", "Z"}, {"润", "R"}, {"辉", "H"}, {"洪", "H"}, {"峰", "F"}, {"森", "S"},
    {"林", "L"}, {"创", "C"}, {"智", "Z"}, {"科", "K"}, {"数", "S"}, {"立", "L"}, {"时", "S"}, {"世", "S"},
    {"开", "K"}, {"发", "F"}, {"宁", "N"}, {"波", "B"}, {"厦", "X"}, {"苏", "S"}, {"皖", "W"}, {"湘", "X"},
    {"鄂", "E"}, {"豫", "Y"}, {"晋", "J"}, {"陕", "S"}, {"桂", "G"}, {"津", "J"}, {"辽", "L"}, {"吉", "J"},
};

// One row per side-bar industry: name, then suffixes of stock names with their initials.
struct Industry
{
    const char *name;
    Word suffixes[4];
    const char *subs[3];
    const char *themes[3];
};

const Industry industryTable[] = {
    {"煤炭", {{"煤业", "MY"}, {"能源", "NY"}, {"焦煤", "JM"}, {"煤电", "MD"}}, {"煤炭开采", "焦炭", nullptr}, {"供给侧改革", "去产能", "煤价反弹"}},
    {"石油化工", {{"石化", "SH"}, {"化工", "HG"}, {"油服", "YF"}, {"化学", "HX"}}, {"化学原料", "石油开采", "化学制品"}, {"油价回升", "PX景气", "炼化一体化"}},
    {"钢铁", {{"钢铁", "GT"}, {"特钢", "TG"}, {"钢管", "GG"}, {"钢材", "GC"}}, {"普钢", "特钢", nullptr}, {"钢价走势", "去产能", "特钢升级"}},
    {"有色金属", {{"有色", "YS"}, {"铜业", "TY"}, {"铝业", "LY"}, {"矿业", "KY"}}, {"工业金属", "稀有金属", "黄金"}, {"铜价", "锂电材料", "稀土整合"}},
    {"建筑材料", {{"建材", "JC"}, {"水泥", "SN"}, {"玻璃", "BL"}, {"新材", "XC"}}, {"水泥制造", "玻璃制造", nullptr}, {"水泥涨价", "PPP落地", "玻璃纤维"}},
    {"机械", {{"机械", "JX"}, {"重工", "ZG"}, {"装备", "ZB"}, {"精机", "JJ"}}, {"专用设备", "通用机械", "工程机械"}, {"工程机械复苏", "工业机器人", "高端装备"}},
    {"电气设备", {{"电气", "DQ"}, {"电机", "DJ"}, {"新能", "XN"}, {"电工", "DG"}}, {"电源设备", "高低压设备", "新能源汽车"}, {"新能源汽车", "特高压", "光伏"}},
    {"轻工印刷", {{"纸业", "ZY"}, {"包装", "BZ"}, {"家居", "JJ"}, {"印务", "YW"}}, {"造纸", "家用轻工", "包装印刷"}, {"纸价上涨", "定制家居", "消费升级"}},
    {"建筑工程", {{"建设", "JS"}, {"建工", "JG"}, {"路桥", "LQ"}, {"设计", "SJ"}}, {"基础建设", "房屋建设", "园林工程"}, {"PPP", "一带一路", "基建投资"}},
    {"交通运输", {{"物流", "WL"}, {"港口", "GK"}, {"航运", "HY"}, {"高速", "GS"}}, {"物流", "港口", "航空运输"}, {"快递", "航空客流", "运价指数"}},
    {"批发零售", {{"商业", "SY"}, {"百货", "BH"}, {"商贸", "SM"}, {"股份", "GF"}}, {"一般零售", "专业零售", "商业物业"}, {"线上线下融合", "消费复苏", "超市"}},
    {"汽车及零部件", {{"汽车", "QC"}, {"汽配", "QP"}, {"客车", "KC"}, {"动力", "DL"}}, {"汽车整车", "汽车零部件", nullptr}, {"SUV", "购置税优惠", "新能源汽车"}},
    {"家电", {{"电器", "DQ"}, {"家电", "JD"}, {"厨电", "CD"}, {"照明", "ZM"}}, {"白色家电", "视听器材", nullptr}, {"空调", "厨电", "原材料涨价"}},
    {"纺织服装", {{"纺织", "FZ"}, {"服饰", "FS"}, {"家纺", "JF"}, {"时装", "SZ"}}, {"服装家纺", "纺织制造", nullptr}, {"品牌服饰", "棉价", "童装"}},
    {"旅游休闲", {{"旅游", "LY"}, {"酒店", "JD"}, {"景区", "JQ"}, {"国旅", "GL"}}, {"景点", "酒店", "旅游综合"}, {"出境游", "免税", "景区客流"}},
    {"文化传播", {{"传媒", "CM"}, {"文化", "WH"}, {"影视", "YS"}, {"出版", "CB"}}, {"文化传媒", "营销传播", "互联网传媒"}, {"影视", "IP运营", "VR"}},
    {"农林牧渔", {{"农业", "NY"}, {"种业", "ZY"}, {"牧业", "MY"}, {"渔业", "YY"}}, {"种植业", "畜禽养殖", "饲料"}, {"猪价", "种业改革", "饲料"}},
    {"食品饮料", {{"食品", "SP"}, {"酒业", "JY"}, {"乳业", "RY"}, {"饮品", "YP"}}, {"白酒", "食品加工", "饮料制造"}, {"白酒提价", "乳制品", "调味品"}},
    {"医药生物", {{"药业", "YY"}, {"医药", "YY"}, {"生物", "SW"}, {"制药", "ZY"}}, {"化学制药", "中药", "医疗器械"}, {"一致性评价", "医保目录", "创新药"}},
    {"金融", {{"银行", "YH"}, {"证券", "ZQ"}, {"保险", "BX"}, {"信托", "XT"}}, {"银行", "证券", "保险"}, {"息差", "不良贷款", "两融余额"}},
    {"地产", {{"地产", "DC"}, {"置业", "ZY"}, {"实业", "SY"}, {"城建", "CJ"}}, {"房地产开发", "园区开发", nullptr}, {"限购", "销售数据", "土地储备"}},
    {"计算机", {{"软件", "RJ"}, {"信息", "XX"}, {"科技", "KJ"}, {"数据", "SJ"}}, {"计算机应用", "计算机设备", nullptr}, {"云计算", "大数据", "网络安全"}},
    {"电子", {{"电子", "DZ"}, {"光电", "GD"}, {"微电", "WD"}, {"精密", "JM"}}, {"半导体", "光学光电子", "电子制造"}, {"半导体国产化", "OLED", "消费电子"}},
    {"通信", {{"通信", "TX"}, {"通讯", "TX"}, {"光纤", "GX"}, {"网络", "WL"}}, {"通信设备", "通信运营", nullptr}, {"5G", "光通信", "物联网"}},
    {"公用事业", {{"电力", "DL"}, {"水务", "SW"}, {"燃气", "RQ"}, {"环保", "HB"}}, {"电力", "水务", "燃气"}, {"电价调整", "环保督查", "天然气改革"}},
};

const char *surnames[] = {
    "王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱", "胡", "郭", "何", "高", "林", "罗",
    "郑", "梁", "谢", "宋", "唐", "许", "韩", "冯", "邓", "曹", "彭", "曾", "肖", "田", "董", "袁", "潘", "于", "蒋", "蔡",
    "余", "杜", "叶", "程", "苏", "魏", "吕", "丁", "任", "沈", "姚", "卢", "姜", "崔", "钟", "谭", "陆", "汪", "范", "金",
    "石", "廖", "贾", "夏", "韦", "付", "方", "白", "邹", "孟", "熊", "秦", "邱", "江", "尹", "薛", "闫", "段", "雷", "侯",
    "龙", "史", "陶", "黎", "贺", "顾", "毛", "郝", "龚", "邵", "万", "钱", "严", "武", "戴", "莫", "孔", "向", "汤", "欧阳",
};

const char *givenChars[] = {
    "伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛", "明", "超", "霞", "平", "刚",
    "华", "飞", "玲", "晶", "鑫", "斌", "宇", "浩", "凯", "鹏", "帆", "辉", "国", "琳", "晨", "阳", "峰", "亮", "雪", "梅",
    "婷", "波", "宁", "欣", "悦", "然", "哲", "睿", "思", "远", "博", "文", "彬", "倩", "颖", "璐", "瑶", "帅", "昊", "毅",
    "翔", "俊", "立", "海", "燕", "蕾", "薇", "嘉", "晓", "丹", "桐", "骏", "岚", "楠", "琦", "炜", "卓", "越", "航", "旭",
};

const char *institutionHeads[] = {
    "华信", "东岳", "恒泰", "鼎盛", "瀚海", "启明", "汇川", "泰和", "国元", "中润", "兴华", "明德", "正阳", "嘉禾", "安泰",
    "宏远", "富源", "广汇", "天衡", "金桥", "银泰", "东升", "西岭", "南华", "北辰", "华晟", "中盈", "国瑞", "海通达", "新纪元",
    "德邦", "万联", "九州", "大同", "开源", "首创", "华融", "中州", "湘财", "江海", "渤海", "东兴", "西部", "南方", "北方",
    "华泰和", "恒生", "华林", "世纪", "联讯", "五矿", "华龙", "东莞", "山西", "江南", "川财", "粤开", "申港", "甬兴", "诚通",
    "华安信", "国盛", "长信", "信诚", "金元", "中天", "大华", "国联", "太平洋", "天风", "华宝", "国都", "财信", "新时代",
    "华创", "东海", "中航", "民族", "爱建", "华福", "红塔", "宏信", "众成", "德润", "恒通", "远东", "泰山", "黄河",
    "昆仑", "天山", "华夏", "嘉实", "中山", "华润", "华源", "鼎新", "启航", "银华", "金鹰", "宝盈", "融通", "泰信", "汇添",
};

const char *hongKongCompanies[][2] = {
    {"腾讯控股", "00700.HK"}, {"中国移动", "00941.HK"}, {"汇丰控股", "00005.HK"}, {"友邦保险", "01299.HK"},
    {"港交所", "00388.HK"}, {"中国平安", "02318.HK"}, {"吉利汽车", "00175.HK"}, {"舜宇光学", "02382.HK"},
    {"银河娱乐", "00027.HK"}, {"石药集团", "01093.HK"}, {"安踏体育", "02020.HK"}, {"中国海外发展", "00688.HK"},
};

} // namespace

const QStringList &NamePools::industries()
{
    static const QStringList list = [] {
        QStringList l;
        for (const Industry &ind : industryTable)
            l.append(QString::fromUtf8(ind.name));
        return l;
    }();
    return list;
}

QString NamePools::subIndustry(int industry, Rng &rng)
{
    const Industry &ind = industryTable[industry];
    const char *sub = ind.subs[rng.range(0, 2)];
    return sub ? QString::fromUtf8(sub) : QString();
}

QString NamePools::stockName(int industry, Rng &rng, QString *spell)
{
    const int heads = int(sizeof stockHeads / sizeof stockHeads[0]);
    const Word &a = stockHeads[rng.range(0, heads - 1)];
    const Word *b = &stockHeads[rng.range(0, heads - 1)];
    while (b == &a)
        b = &stockHeads[rng.range(0, heads - 1)];
    const Word &s = industryTable[industry].suffixes[rng.range(0, 3)];
    *spell = QString::fromLatin1(a.initials) + QLatin1String(b->initials) + QLatin1String(s.initials);
    return QString::fromUtf8(a.text) + QString::fromUtf8(b->text) + QString::fromUtf8(s.text);
}

QString NamePools::personName(Rng &rng)
{
    const int ns = int(sizeof surnames / sizeof surnames[0]);
    const int ng = int(sizeof givenChars / sizeof givenChars[0]);
    QString name = QString::fromUtf8(surnames[rng.range(0, ns - 1)]) + QString::fromUtf8(givenChars[rng.range(0, ng - 1)]);
    if (rng.chance(0.55))
        name += QString::fromUtf8(givenChars[rng.range(0, ng - 1)]);
    return name;
}

QStringList NamePools::domesticInstitutions(int count, Rng &rng)
{
    // The three names that the client's initials ordering treats specially always take part.
    QStringList out = {QStringLiteral("长城证券"), QStringLiteral("长江证券"), QStringLiteral("长春证券")};
    const int n = int(sizeof institutionHeads / sizeof institutionHeads[0]);
    QSet<int> used;
    while (out.size() < count && used.size() < n) {
        const int k = rng.range(0, n - 1);
        if (used.contains(k))
            continue;
        used.insert(k);
        const char *suffix = rng.chance(0.1) ? "国际" : "证券";
        out.append(QString::fromUtf8(institutionHeads[k]) + QString::fromUtf8(suffix));
    }
    return out;
}

const QStringList &NamePools::internationalBanks()
{
    static const QStringList list = {QStringLiteral("高盛"), QStringLiteral("瑞信"), QStringLiteral("瑞银"),
                                     QStringLiteral("摩根士丹利"), QStringLiteral("摩根大通"), QStringLiteral("美银美林"),
                                     QStringLiteral("花旗"), QStringLiteral("汇丰"), QStringLiteral("巴克莱"),
                                     QStringLiteral("德意志银行"), QStringLiteral("野村")};
    return list;
}

QString NamePools::industryWord(int industry, Rng &rng)
{
    return QString::fromUtf8(industryTable[industry].themes[rng.range(0, 2)]);
}

QString NamePools::hongKongCompany(Rng &rng, QString *ticker)
{
    const int n = int(sizeof hongKongCompanies / sizeof hongKongCompanies[0]);
    const auto &c = hongKongCompanies[rng.range(0, n - 1)];
    *ticker = QString::fromLatin1(c[1]);
    return QString::fromUtf8(c[0]);
}
