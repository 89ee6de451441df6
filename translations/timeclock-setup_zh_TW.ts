<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW" sourcelanguage="zh_CN">
<context>
    <name>CommandHistory</name>
    <message>
        <source>历史记录写不进 %1（%2）；命令照常完成，这次起的记录会丢失</source>
        <translation>歷史記錄寫不進 %1（%2）；命令照常完成，這次起的記錄會丟失</translation>
    </message>
    <message>
        <source>%1 写入 %2 的 %3 号机</source>
        <translation>%1 寫入 %2 的 %3 號機</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>考勤机设置V6.1x</source>
        <translation>考勤機設定V6.1x</translation>
    </message>
    <message>
        <source>下载OEM_LOGO图片</source>
        <translation>下載OEM_LOGO圖片</translation>
    </message>
    <message>
        <source>机号</source>
        <comment>accessible name</comment>
        <translation>機號</translation>
    </message>
    <message>
        <source>机号</source>
        <translation>機號</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>埠號</translation>
    </message>
    <message>
        <source>提示信息</source>
        <translation>提示資訊</translation>
    </message>
    <message>
        <source>读序列号</source>
        <translation>讀序號</translation>
    </message>
    <message>
        <source>写序列号</source>
        <translation>寫序號</translation>
    </message>
    <message>
        <source>开锁延时:</source>
        <translation>開鎖延遲:</translation>
    </message>
    <message>
        <source>开锁延时</source>
        <comment>accessible name</comment>
        <translation>開鎖延遲</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>序號</translation>
    </message>
    <message>
        <source>模式选择</source>
        <translation>模式選擇</translation>
    </message>
    <message>
        <source>考勤响铃模式</source>
        <translation>考勤響鈴模式</translation>
    </message>
    <message>
        <source>考勤门禁模式</source>
        <translation>考勤門禁模式</translation>
    </message>
    <message>
        <source>字体选择</source>
        <translation>字型選擇</translation>
    </message>
    <message>
        <source>简体字</source>
        <comment>accessible name</comment>
        <translation>簡體字</translation>
    </message>
    <message>
        <source>简体</source>
        <translation>簡體</translation>
    </message>
    <message>
        <source>繁体字</source>
        <comment>accessible name</comment>
        <translation>繁體字</translation>
    </message>
    <message>
        <source>繁体</source>
        <translation>繁體</translation>
    </message>
    <message>
        <source>提示信息：</source>
        <translation>提示資訊：</translation>
    </message>
    <message>
        <source>设置考勤机</source>
        <translation>設定考勤機</translation>
    </message>
    <message>
        <source>开机OEM图片</source>
        <translation>開機OEM圖片</translation>
    </message>
    <message>
        <source>下载进度</source>
        <translation>下載進度</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>開啟檔案</translation>
    </message>
    <message>
        <source>打卡延时:</source>
        <translation>打卡延遲:</translation>
    </message>
    <message>
        <source>打卡延时</source>
        <comment>accessible name</comment>
        <translation>打卡延遲</translation>
    </message>
    <message>
        <source>改机号</source>
        <comment>accessible name</comment>
        <translation>改機號</translation>
    </message>
    <message>
        <source>线上的每台考勤机都改用机号框里的号</source>
        <translation>線上的每臺考勤機都改用機號框裡的號</translation>
    </message>
    <message>
        <source>改号</source>
        <translation>改號</translation>
    </message>
    <message>
        <source>OEM图片预览</source>
        <translation>OEM圖片預覽</translation>
    </message>
    <message>
        <source>每个点反过来：黑变白，白变黑</source>
        <translation>每個點反過來：黑變白，白變黑</translation>
    </message>
    <message>
        <source>反色(&amp;I)</source>
        <translation>反色(&amp;I)</translation>
    </message>
    <message>
        <source>用点的疏密表现图片的灰度（只对图片）</source>
        <translation>用點的疏密表現圖片的灰度（只對圖片）</translation>
    </message>
    <message>
        <source>抖动(&amp;D)</source>
        <translation>抖動(&amp;D)</translation>
    </message>
    <message>
        <source>裁去图片多余的两边，填满 128 × 32；不选则整张放入，留白边</source>
        <translation>裁去圖片多餘的兩邊，填滿 128 × 32；不選則整張放入，留白邊</translation>
    </message>
    <message>
        <source>填满(&amp;F)</source>
        <translation>填滿(&amp;F)</translation>
    </message>
    <message>
        <source>用输入的文字作图片</source>
        <translation>用輸入的文字作圖片</translation>
    </message>
    <message>
        <source>文字…(&amp;T)</source>
        <translation>文字…(&amp;T)</translation>
    </message>
    <message>
        <source>把预览的图片另存为 logo 文本文件</source>
        <translation>把預覽的圖片另存為 logo 文字檔案</translation>
    </message>
    <message>
        <source>另存为…(&amp;S)</source>
        <translation>另存為…(&amp;S)</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>文字檔案 (*.txt)</translation>
    </message>
    <message>
        <source>文本文件和图片 (*.txt %1)</source>
        <translation>文字檔案和圖片 (*.txt %1)</translation>
    </message>
    <message>
        <source>图片文件 (%1)</source>
        <translation>圖片檔案 (%1)</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>所有檔案 (*)</translation>
    </message>
    <message>
        <source>文件已改变：请看过预览再下载</source>
        <translation>檔案已改變：請看過預覽再下載</translation>
    </message>
    <message>
        <source>图片是空白的，仍然下载吗？</source>
        <translation>圖片是空白的，仍然下載嗎？</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>查找机号…</source>
        <translation>尋找機號…</translation>
    </message>
    <message>
        <source>历史记录…</source>
        <translation>歷史記錄…</translation>
    </message>
    <message>
        <source>不知道这条线上有几台考勤机（记住的设置无法读写）：改号会让每一台都换成新机号。</source>
        <translation>不知道這條線上有幾臺考勤機（記住的設定無法讀寫）：改號會讓每一臺都換成新機號。</translation>
    </message>
    <message>
        <source>确实让每一台都换成新机号吗？</source>
        <translation>確實讓每一臺都換成新機號嗎？</translation>
    </message>
    <message>
        <source>文字：%1</source>
        <translation>文字：%1</translation>
    </message>
    <message>
        <source>图片太扁：只剩 %1 行点</source>
        <translation>圖片太扁：只剩 %1 列點</translation>
    </message>
    <message>
        <source>“%1”</source>
        <translation>「%1」</translation>
    </message>
    <message>
        <source>没有写入序列号 %1（这台考勤机的序列号仍是 %2）</source>
        <translation>沒有寫入序號 %1（這臺考勤機的序號仍是 %2）</translation>
    </message>
    <message>
        <source>序列号 %1 是从 %2 号串口、%3 号机的考勤机读出的，这台考勤机（%4 号串口、%5 号机）的序列号却是 %6：两台考勤机会有同一个序列号。仍然写入吗？</source>
        <translation>序號 %1 是從 %2 號序列埠、%3 號機的考勤機讀出的，這臺考勤機（%4 號序列埠、%5 號機）的序號卻是 %6：兩臺考勤機會有同一個序號。仍然寫入嗎？</translation>
    </message>
    <message>
        <source>序列号 %1 已在 %2，这台考勤机的序列号却是 %3：两台考勤机会有同一个序列号。仍然写入吗？</source>
        <translation>序號 %1 已在 %2，這臺考勤機的序號卻是 %3：兩臺考勤機會有同一個序號。仍然寫入嗎？</translation>
    </message>
    <message>
        <source>没有下载：图片是空白的</source>
        <translation>沒有下載：圖片是空白的</translation>
    </message>
    <message>
        <source>读不出这台考勤机的序列号，没有写入</source>
        <translation>讀不出這臺考勤機的序號，沒有寫入</translation>
    </message>
    <message>
        <source>序列号框里的 %1 不是从这台考勤机读出的</source>
        <translation>序號框裡的 %1 不是從這臺考勤機讀出的</translation>
    </message>
    <message>
        <source>继续下载</source>
        <translation>繼續下載</translation>
    </message>
    <message>
        <source>正在退出：等考勤机回答这一行</source>
        <translation>正在結束：等考勤機回答這一行</translation>
    </message>
    <message>
        <source>机号已设为 %1（查找机号选定）</source>
        <translation>機號已設為 %1（尋找機號選定）</translation>
    </message>
    <message>
        <source>机号已设为 %1（查找机号没有查完就停了）</source>
        <translation>機號已設為 %1（尋找機號沒有查完就停了）</translation>
    </message>
    <message>
        <source>查找机号已关闭，没有选用机号</source>
        <translation>尋找機號已關閉，沒有選用機號</translation>
    </message>
    <message>
        <source>查找机号已取消，没有查完</source>
        <translation>尋找機號已取消，沒有查完</translation>
    </message>
    <message>
        <source>没有改号</source>
        <translation>沒有改號</translation>
    </message>
    <message>
        <source>没有另存</source>
        <translation>沒有另存</translation>
    </message>
    <message>
        <source>图片没有改变（%1）</source>
        <translation>圖片沒有改變（%1）</translation>
    </message>
    <message>
        <source>现场一览…</source>
        <translation>現場一覽…</translation>
    </message>
    <message>
        <source>串口已设为 %1，机号已设为 %2（查找机号选定）</source>
        <translation>序列埠已設為 %1，機號已設為 %2（尋找機號選定）</translation>
    </message>
    <message>
        <source>串口已设为 %1，机号已设为 %2（查找机号没有查完就停了）</source>
        <translation>序列埠已設為 %1，機號已設為 %2（尋找機號沒有查完就停了）</translation>
    </message>
</context>
<context>
    <name>HistoryView</name>
    <message>
        <source>改号</source>
        <translation>改號</translation>
    </message>
    <message>
        <source>设置考勤机</source>
        <translation>設定考勤機</translation>
    </message>
    <message>
        <source>读序列号</source>
        <translation>讀序號</translation>
    </message>
    <message>
        <source>写序列号</source>
        <translation>寫序號</translation>
    </message>
    <message>
        <source>下载OEM_LOGO图片</source>
        <translation>下載OEM_LOGO圖片</translation>
    </message>
    <message>
        <source>查找机号</source>
        <translation>尋找機號</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>没有回答</source>
        <translation>沒有回答</translation>
    </message>
    <message>
        <source>回答错误</source>
        <translation>回答錯誤</translation>
    </message>
    <message>
        <source>串口已断开</source>
        <translation>序列埠已斷開</translation>
    </message>
    <message>
        <source>串口打开失败</source>
        <translation>序列埠開啟失敗</translation>
    </message>
    <message>
        <source>已中断</source>
        <translation>已中斷</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>已取消</translation>
    </message>
    <message>
        <source>考勤机确认了 %1 行</source>
        <translation>考勤機確認了 %1 行</translation>
    </message>
    <message>
        <source>机号 %1 序列号 %2</source>
        <translation>機號 %1 序號 %2</translation>
    </message>
    <message>
        <source>机号 %1 回答太迟（序列号 %2）</source>
        <translation>機號 %1 回答太遲（序號 %2）</translation>
    </message>
    <message>
        <source>机号 %1 回答错误</source>
        <translation>機號 %1 回答錯誤</translation>
    </message>
    <message>
        <source>，</source>
        <translation>，</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>歷史記錄</translation>
    </message>
    <message>
        <source>还没有历史记录</source>
        <translation>還沒有歷史記錄</translation>
    </message>
</context>
<context>
    <name>LogoPreview</name>
    <message>
        <source>反色(&amp;I)</source>
        <translation>反色(&amp;I)</translation>
    </message>
    <message>
        <source>抖动(&amp;D)</source>
        <translation>抖動(&amp;D)</translation>
    </message>
    <message>
        <source>另存为文本文件…(&amp;S)</source>
        <translation>另存為文字檔案…(&amp;S)</translation>
    </message>
</context>
<context>
    <name>LogoTextDialog</name>
    <message>
        <source>文字</source>
        <translation>文字</translation>
    </message>
    <message>
        <source>（可不填）</source>
        <translation>（可不填）</translation>
    </message>
    <message>
        <source>放满</source>
        <translation>放滿</translation>
    </message>
    <message>
        <source> 点</source>
        <translation> 點</translation>
    </message>
    <message>
        <source>粗体(&amp;B)</source>
        <translation>粗體(&amp;B)</translation>
    </message>
    <message>
        <source>居左</source>
        <translation>靠左</translation>
    </message>
    <message>
        <source>居中</source>
        <translation>置中</translation>
    </message>
    <message>
        <source>居右</source>
        <translation>靠右</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>預覽</translation>
    </message>
    <message>
        <source>第一行(&amp;1)：</source>
        <translation>第一行(&amp;1)：</translation>
    </message>
    <message>
        <source>第二行(&amp;2)：</source>
        <translation>第二行(&amp;2)：</translation>
    </message>
    <message>
        <source>字体(&amp;F)：</source>
        <translation>字型(&amp;F)：</translation>
    </message>
    <message>
        <source>大小(&amp;S)：</source>
        <translation>大小(&amp;S)：</translation>
    </message>
    <message>
        <source>对齐(&amp;A)：</source>
        <translation>對齊(&amp;A)：</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>MachineScan</name>
    <message>
        <source>找到 %1 台考勤机</source>
        <translation>找到 %1 臺考勤機</translation>
    </message>
    <message>
        <source>上次查找机号时这条线上有 %1 台考勤机：改号会让每一台都换成新机号。</source>
        <translation>上次尋找機號時這條線上有 %1 臺考勤機：改號會讓每一臺都換成新機號。</translation>
    </message>
    <message>
        <source>上次查找机号没有查完每个机号（找到 %1 台，其余机号不知道）：改号会让这条线上每一台都换成新机号。</source>
        <translation>上次尋找機號沒有查完每個機號（找到 %1 臺，其餘機號不知道）：改號會讓這條線上每一臺都換成新機號。</translation>
    </message>
    <message>
        <source>机号 %1：可能有两台考勤机同号</source>
        <translation>機號 %1：可能有兩臺考勤機同號</translation>
    </message>
</context>
<context>
    <name>MachineScanDialog</name>
    <message>
        <source>查找机号</source>
        <translation>尋找機號</translation>
    </message>
    <message>
        <source>回答的考勤机</source>
        <translation>回答的考勤機</translation>
    </message>
    <message>
        <source>用这个机号</source>
        <translation>用這個機號</translation>
    </message>
    <message>
        <source>正在查找机号 %1-%2（%3）…</source>
        <translation>正在尋找機號 %1-%2（%3）…</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>机号 %1    序列号 %2    回答慢</source>
        <translation>機號 %1    序號 %2    回答慢</translation>
    </message>
    <message>
        <source>机号 %1    序列号 %2</source>
        <translation>機號 %1    序號 %2</translation>
    </message>
    <message>
        <source>短等待内没有回答，等一秒再问一次才找到</source>
        <translation>短等待內沒有回答，等一秒再問一次才找到</translation>
    </message>
    <message>
        <source>机号 %1 回答太迟（序列号 %2）</source>
        <translation>機號 %1 回答太遲（序號 %2）</translation>
    </message>
    <message>
        <source>机号 %1 回答错误（%2）</source>
        <translation>機號 %1 回答錯誤（%2）</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>没有考勤机回答：请检查连线和串口号</source>
        <translation>沒有考勤機回答：請檢查連線和序列埠號</translation>
    </message>
    <message>
        <source>不知道机号？在机号框上按右键（或菜单键），选“查找机号…”</source>
        <translation>不知道機號？在機號框上按右鍵（或選單鍵），選「尋找機號…」</translation>
    </message>
    <message>
        <source>扫描所有映射的串口</source>
        <translation>掃描所有對映的序列埠</translation>
    </message>
    <message>
        <source>没有对应的串口：用 --port N=DEVICE 启动窗口时给出</source>
        <translation>沒有對應的序列埠：用 --port N=DEVICE 啟動視窗時給出</translation>
    </message>
    <message>
        <source>串口 %1 = %2</source>
        <translation>序列埠 %1 = %2</translation>
    </message>
    <message>
        <source>正在查找 %1 个串口的机号 %2-%3…</source>
        <translation>正在尋找 %1 個序列埠的機號 %2-%3…</translation>
    </message>
    <message>
        <source>%1/%2 串口，%3/%4 个机号</source>
        <translation>%1/%2 序列埠，%3/%4 個機號</translation>
    </message>
    <message>
        <source>串口 %1    %2</source>
        <translation>序列埠 %1    %2</translation>
    </message>
    <message>
        <source>没有考勤机回答</source>
        <translation>沒有考勤機回答</translation>
    </message>
    <message>
        <source>串口 %1（%2）：%3</source>
        <translation>序列埠 %1（%2）：%3</translation>
    </message>
    <message>
        <source>%1 个串口查完：</source>
        <translation>%1 個序列埠查完：</translation>
    </message>
    <message>
        <source>；%1 个串口打不开或断开了（见列表）</source>
        <translation>；%1 個序列埠打不開或斷開了（見列表）</translation>
    </message>
    <message>
        <source>正在停止：每条线等它在途的回答…</source>
        <translation>正在停止：每條線等它在途的回答…</translation>
    </message>
</context>
<context>
    <name>NetworkAddress</name>
    <message>
        <source>不是网络地址</source>
        <translation>不是網路位址</translation>
    </message>
    <message>
        <source>方括号里要是 IPv6 地址</source>
        <translation>方括號裡要是 IPv6 地址</translation>
    </message>
    <message>
        <source>方括号后面要是冒号和端口号</source>
        <translation>方括號後面要是冒號和埠號</translation>
    </message>
    <message>
        <source>IPv6 地址要写在方括号里，如 [::1]:端口</source>
        <translation>IPv6 地址要寫在方括號裡，如 [::1]:埠號</translation>
    </message>
    <message>
        <source>缺少主机名</source>
        <translation>缺少主機名</translation>
    </message>
    <message>
        <source>主机名错误：%1</source>
        <translation>主機名錯誤：%1</translation>
    </message>
    <message>
        <source>端口号后面不能再有别的：%1</source>
        <translation>埠號後面不能再有別的：%1</translation>
    </message>
    <message>
        <source>%1 要写端口号，如 %1主机:端口</source>
        <translation>%1 要寫埠號，如 %1主機:埠號</translation>
    </message>
    <message>
        <source>端口号要在 1 到 65535 之间：%1</source>
        <translation>埠號要在 1 到 65535 之間：%1</translation>
    </message>
</context>
<context>
    <name>NetworkLine</name>
    <message>
        <source>服务器断开了连接</source>
        <translation>伺服器斷開了連線</translation>
    </message>
    <message>
        <source>服务器的串口是 %1 波特，不是 %2</source>
        <translation>伺服器的序列埠是 %1 波特，不是 %2</translation>
    </message>
    <message>
        <source>服务器的串口是 %1 位数据，不是 %2 位</source>
        <translation>伺服器的序列埠是 %1 位元資料，不是 %2 位元</translation>
    </message>
    <message>
        <source>服务器的串口有校验位（RFC 2217 的第 %1 种），不是无校验</source>
        <translation>伺服器的序列埠有同位檢查（RFC 2217 的第 %1 種），不是無同位檢查</translation>
    </message>
    <message>
        <source>服务器的串口不是 1 个停止位（RFC 2217 的第 %1 种）</source>
        <translation>伺服器的序列埠不是 1 個停止位元（RFC 2217 的第 %1 種）</translation>
    </message>
    <message>
        <source>%1 秒内没有查到这个名字</source>
        <translation>%1 秒內沒有查到這個名字</translation>
    </message>
</context>
<context>
    <name>PortCatalogue</name>
    <message>
        <source>%1 号 %2</source>
        <translation>%1 號 %2</translation>
    </message>
    <message>
        <source>（不存在）</source>
        <translation>（不存在）</translation>
    </message>
    <message>
        <source>；可用：%1</source>
        <translation>；可用：%1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>、</translation>
    </message>
    <message>
        <source>%1，进程 %2</source>
        <translation>%1，處理程序 %2</translation>
    </message>
    <message>
        <source>进程 %1</source>
        <translation>處理程序 %1</translation>
    </message>
    <message>
        <source>%1（进程 %2）</source>
        <translation>%1（處理程序 %2）</translation>
    </message>
    <message>
        <source>（有回声）</source>
        <translation>（有回聲）</translation>
    </message>
    <message>
        <source>另一个程序（%1）也打开了这个串口</source>
        <translation>另一個程式（%1）也開啟了這個序列埠</translation>
    </message>
</context>
<context>
    <name>PortListPopup</name>
    <message>
        <source>没有找到串口：请插上 USB 转串口线</source>
        <translation>沒有找到序列埠：請插上 USB 轉序列埠線</translation>
    </message>
    <message>
        <source>按 ↓ 选择</source>
        <translation>按 ↓ 選擇</translation>
    </message>
</context>
<context>
    <name>RememberedChoices</name>
    <message>
        <source>记住的 %1 无法使用，已忘掉：%2</source>
        <translation>記住的 %1 無法使用，已忘掉：%2</translation>
    </message>
    <message>
        <source>记住的选择文件太大（%1 字节），已忘掉：%2</source>
        <translation>記住的選擇檔案太大（%1 位元組），已忘掉：%2</translation>
    </message>
    <message>
        <source>记住的选择文件有错，已移到一边：%1</source>
        <translation>記住的選擇檔案有錯，已移到一邊：%1</translation>
    </message>
</context>
<context>
    <name>SiteTableDialog</name>
    <message>
        <source>已确认</source>
        <translation>已確認</translation>
    </message>
    <message>
        <source>未确认（%1/%2 行）</source>
        <translation>未確認（%1/%2 行）</translation>
    </message>
    <message>
        <source>未确认</source>
        <translation>未確認</translation>
    </message>
    <message>
        <source>现场一览</source>
        <translation>現場一覽</translation>
    </message>
    <message>
        <source>设置和图片：这台电脑记录的发送且考勤机确认的内容（考勤机读不回来）</source>
        <translation>設定和圖片：這臺電腦記錄的傳送且考勤機確認的內容（考勤機讀不回來）</translation>
    </message>
    <message>
        <source>现场的考勤机</source>
        <translation>現場的考勤機</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>序列埠</translation>
    </message>
    <message>
        <source>机号</source>
        <translation>機號</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>序號</translation>
    </message>
    <message>
        <source>最后回答</source>
        <translation>最後回答</translation>
    </message>
    <message>
        <source>同号</source>
        <translation>同號</translation>
    </message>
    <message>
        <source>最后发送的设置</source>
        <translation>最後傳送的設定</translation>
    </message>
    <message>
        <source>最后发送的图片</source>
        <translation>最後傳送的圖片</translation>
    </message>
    <message>
        <source>全部确认</source>
        <translation>全部確認</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>导出 CSV…</source>
        <translation>匯出 CSV…</translation>
    </message>
    <message>
        <source>导出 CSV</source>
        <translation>匯出 CSV</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV 檔案 (*.csv)</translation>
    </message>
    <message>
        <source>历史记录里还没有考勤机（%1）</source>
        <translation>歷史記錄裡還沒有考勤機（%1）</translation>
    </message>
    <message>
        <source>%1 台考勤机，按序列号跟踪（%2）</source>
        <translation>%1 臺考勤機，按序號追蹤（%2）</translation>
    </message>
    <message>
        <source>（不知道）</source>
        <translation>（不知道）</translation>
    </message>
    <message>
        <source>可能有两台同号</source>
        <translation>可能有兩臺同號</translation>
    </message>
    <message>
        <source>是</source>
        <translation>是</translation>
    </message>
    <message>
        <source>否</source>
        <translation>否</translation>
    </message>
    <message>
        <source>已导出 %1 台考勤机：%2</source>
        <translation>已匯出 %1 臺考勤機：%2</translation>
    </message>
</context>
<context>
    <name>StatusText</name>
    <message>
        <source>设置成功！</source>
        <translation>設定成功！</translation>
    </message>
    <message>
        <source>通讯失败！</source>
        <translation>通訊失敗！</translation>
    </message>
    <message>
        <source>通讯成功！</source>
        <translation>通訊成功！</translation>
    </message>
    <message>
        <source>通讯中断！</source>
        <translation>通訊中斷！</translation>
    </message>
    <message>
        <source>下载完成！</source>
        <translation>下載完成！</translation>
    </message>
    <message>
        <source>已中断！</source>
        <translation>已中斷！</translation>
    </message>
    <message>
        <source>正在通讯…</source>
        <translation>正在通訊…</translation>
    </message>
    <message>
        <source>正在下载…</source>
        <translation>正在下載…</translation>
    </message>
    <message>
        <source>请检查连线、串口号和机号</source>
        <translation>請檢查連線、序列埠號和機號</translation>
    </message>
    <message>
        <source>没有回答</source>
        <translation>沒有回答</translation>
    </message>
    <message>
        <source>回答错误：收到 %1</source>
        <translation>回答錯誤：收到 %1</translation>
    </message>
    <message>
        <source>第%1行没有完成，考勤机的图片只更新到第%2行</source>
        <translation>第%1行沒有完成，考勤機的圖片只更新到第%2行</translation>
    </message>
    <message>
        <source>第1行没有完成，考勤机的图片没有改变</source>
        <translation>第1行沒有完成，考勤機的圖片沒有改變</translation>
    </message>
    <message>
        <source>串口号错误！</source>
        <translation>序列埠號錯誤！</translation>
    </message>
    <message>
        <source>机号错误！</source>
        <translation>機號錯誤！</translation>
    </message>
    <message>
        <source>延时错误！</source>
        <translation>延遲錯誤！</translation>
    </message>
    <message>
        <source>序列号错误！</source>
        <translation>序號錯誤！</translation>
    </message>
    <message>
        <source>请先读出或输入序列号！</source>
        <translation>請先讀出或輸入序號！</translation>
    </message>
    <message>
        <source>串口打开失败！（%1）</source>
        <translation>序列埠開啟失敗！（%1）</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>无此串口</source>
        <translation>無此序列埠</translation>
    </message>
    <message>
        <source>权限不足</source>
        <translation>權限不足</translation>
    </message>
    <message>
        <source>串口被占用</source>
        <translation>序列埠被佔用</translation>
    </message>
    <message>
        <source>这是文件夹</source>
        <translation>這是資料夾</translation>
    </message>
    <message>
        <source>不是串口</source>
        <translation>不是序列埠</translation>
    </message>
    <message>
        <source>连接被拒绝</source>
        <translation>連線被拒絕</translation>
    </message>
    <message>
        <source>%1，%2</source>
        <translation>%1，%2</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>磁碟已滿</translation>
    </message>
    <message>
        <source>超出磁盘配额</source>
        <translation>超出磁碟配額</translation>
    </message>
    <message>
        <source>文件超出大小限制</source>
        <translation>檔案超出大小限制</translation>
    </message>
    <message>
        <source>磁盘读写出错</source>
        <translation>磁碟讀寫錯誤</translation>
    </message>
    <message>
        <source>磁盘只读</source>
        <translation>磁碟唯讀</translation>
    </message>
    <message>
        <source>%1号</source>
        <translation>%1號</translation>
    </message>
    <message>
        <source>串口已断开！</source>
        <translation>序列埠已斷開！</translation>
    </message>
    <message>
        <source>正在通讯，请稍候！</source>
        <translation>正在通訊，請稍候！</translation>
    </message>
    <message>
        <source>文件打开失败！</source>
        <translation>檔案開啟失敗！</translation>
    </message>
    <message>
        <source>文件数据不足！</source>
        <translation>檔案資料不足！</translation>
    </message>
    <message>
        <source>文件数据错误！（第%1行）</source>
        <translation>檔案資料錯誤！（第%1行）</translation>
    </message>
    <message>
        <source>图片无法读取！</source>
        <translation>圖片無法讀取！</translation>
    </message>
    <message>
        <source>图片太大，%1 × %2</source>
        <translation>圖片太大，%1 × %2</translation>
    </message>
    <message>
        <source>文件保存失败！</source>
        <translation>檔案儲存失敗！</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>没有能画出这些文字的字体！</source>
        <translation>沒有能畫出這些文字的字型！</translation>
    </message>
    <message>
        <source>正在下载OEM图片，确定退出吗？</source>
        <translation>正在下載OEM圖片，確定結束嗎？</translation>
    </message>
    <message>
        <source>找不到主机</source>
        <translation>找不到主機</translation>
    </message>
    <message>
        <source>连接超时，服务器没有回应</source>
        <translation>連線超時，伺服器沒有回應</translation>
    </message>
    <message>
        <source>服务器没有回答端口设置</source>
        <translation>伺服器沒有回答埠設定</translation>
    </message>
    <message>
        <source>服务器不接受 RFC 2217 端口设置</source>
        <translation>伺服器不接受 RFC 2217 埠設定</translation>
    </message>
    <message>
        <source>服务器不接受二进制传输，0xFF 等字节过不去</source>
        <translation>伺服器不接受二進位傳輸，0xFF 等位元組過不去</translation>
    </message>
    <message>
        <source>地址错误</source>
        <translation>地址錯誤</translation>
    </message>
    <message>
        <source>如果服务器的串口已经是 9600 8N1，可以用 socket://%1 连接</source>
        <translation>如果伺服器的序列埠已經是 9600 8N1，可以用 socket://%1 連線</translation>
    </message>
    <message>
        <source>%1；%2</source>
        <translation>%1；%2</translation>
    </message>
    <message>
        <source>通讯失败！（只收到自己发出的回声：没有考勤机回答）</source>
        <translation>通訊失敗！（只收到自己發出的回聲：沒有考勤機回答）</translation>
    </message>
    <message>
        <source>通讯失败！（回声和发出的不一样：线上另有设备在发，或有干扰）</source>
        <translation>通訊失敗！（回聲和發出的不一樣：線上另有裝置在發，或有雜訊）</translation>
    </message>
    <message>
        <source>通讯失败！（没有收到回声：这条线不回声，请用 --echo auto）</source>
        <translation>通訊失敗！（沒有收到回聲：這條線不回聲，請用 --echo auto）</translation>
    </message>
    <message>
        <source>驱动不能切换 RS-485 收发方向：%1</source>
        <translation>驅動程式不能切換 RS-485 收發方向：%1</translation>
    </message>
    <message>
        <source>线上一直有数据（可能是波特率不对或别的设备在发）</source>
        <translation>線上一直有資料（可能是波特率不對或別的裝置在發）</translation>
    </message>
    <message>
        <source>…（共 %1 字节）</source>
        <translation>…（共 %1 位元組）</translation>
    </message>
</context>
<context>
    <name>cli</name>
    <message>
        <source>timeclock-setup：窗口需要显示器（没有设置 DISPLAY 或 WAYLAND_DISPLAY）；没有显示器时请给出命令：timeclock-setup 命令 …（timeclock-setup --help 列出所有命令）</source>
        <translation>timeclock-setup：視窗需要顯示器（沒有設定 DISPLAY 或 WAYLAND_DISPLAY）；沒有顯示器時請給出命令：timeclock-setup 命令 …（timeclock-setup --help 列出所有命令）</translation>
    </message>
    <message>
        <source>未知命令：%1（timeclock-setup --help 列出所有命令）</source>
        <translation>未知命令：%1（timeclock-setup --help 列出所有命令）</translation>
    </message>
    <message>
        <source>串口号 N 对应设备 DEVICE（可重复）</source>
        <translation>序列埠號 N 對應裝置 DEVICE（可重複）</translation>
    </message>
    <message>
        <source>在标准错误上显示收发的每个字节及时间</source>
        <translation>在標準錯誤上顯示收發的每個位元組及時間</translation>
    </message>
    <message>
        <source>语言：zh、zh_TW 或 en</source>
        <translation>語言：zh、zh_TW 或 en</translation>
    </message>
    <message>
        <source>忘掉以前记住的串口、--port 对应和图片文件</source>
        <translation>忘掉以前記住的序列埠、--port 對應和圖片檔案</translation>
    </message>
    <message>
        <source>串口：号码按窗口的规则找设备，路径按原样使用（默认 1）</source>
        <translation>序列埠：號碼按視窗的規則找裝置，路徑按原樣使用（預設 1）</translation>
    </message>
    <message>
        <source>考勤机的机号（默认 18）</source>
        <translation>考勤機的機號（預設 18）</translation>
    </message>
    <message>
        <source>每个结果输出一个 JSON 对象到标准输出</source>
        <translation>每個結果輸出一個 JSON 物件到標準輸出</translation>
    </message>
    <message>
        <source>显示本命令的帮助</source>
        <translation>顯示本命令的說明</translation>
    </message>
    <message>
        <source>选项重复！</source>
        <translation>選項重複！</translation>
    </message>
    <message>
        <source>缺少参数</source>
        <translation>缺少參數</translation>
    </message>
    <message>
        <source>多余的参数</source>
        <translation>多餘的參數</translation>
    </message>
    <message>
        <source>语言错误！</source>
        <translation>語言錯誤！</translation>
    </message>
    <message>
        <source>用法:</source>
        <translation>用法:</translation>
    </message>
    <message>
        <source>选项:</source>
        <translation>選項:</translation>
    </message>
    <message>
        <source>退出码:</source>
        <translation>結束代碼:</translation>
    </message>
    <message>
        <source>  0  完成
  1  考勤机没有及时回答，或回答错误
  2  用法或输入错误（什么也没发送）
  3  串口打不开或已断开
  4  文件无法使用，或拒绝写入（已存在、是输入文件、不是普通文件）
  5  输出无法写入（标准输出已关闭或磁盘已满）
  6  provision：有机号没有完成（跳过、没轮到、序列号重复或线上已有设置好的考勤机），但没有失败的
  130、143  被 SIGINT、SIGTERM 中断（当前一行的回答收到后才停）
</source>
        <translation>  0  完成
  1  考勤機沒有及時回答，或回答錯誤
  2  用法或輸入錯誤（什麼也沒傳送）
  3  序列埠打不開或已斷開
  4  檔案無法使用，或拒絕寫入（已存在、是輸入檔案、不是一般檔案）
  5  輸出無法寫入（標準輸出已關閉或磁碟已滿）
  6  provision：有機號沒有完成（跳過、沒輪到、序號重複或線上已有設定好的考勤機），但沒有失敗的
  130、143  被 SIGINT、SIGTERM 中斷（目前一行的回答收到後才停）
</translation>
    </message>
    <message>
        <source>模式错误！</source>
        <translation>模式錯誤！</translation>
    </message>
    <message>
        <source>应为 true 或 false</source>
        <translation>應為 true 或 false</translation>
    </message>
    <message>
        <source>字体错误！</source>
        <translation>字型錯誤！</translation>
    </message>
    <message>
        <source>不用考勤机：列出能用的串口，连同 USB 名称、固定名和是否被占用</source>
        <translation>不用考勤機：列出能用的序列埠，連同 USB 名稱、固定名和是否被佔用</translation>
    </message>
    <message>
        <source>查找机号：列出这条线上回答的考勤机和它们的序列号</source>
        <translation>尋找機號：列出這條線上回答的考勤機和它們的序號</translation>
    </message>
    <message>
        <source>不用串口：列出发给考勤机的命令的历史记录</source>
        <translation>不用序列埠：列出發給考勤機的命令的歷史記錄</translation>
    </message>
    <message>
        <source>设置串口上的考勤机。不带命令时打开窗口；带命令时不开窗口，执行一个命令后退出（不需要显示器），适合脚本和成批设置。</source>
        <translation>設定序列埠上的考勤機。不帶命令時開啟視窗；帶命令時不開視窗，執行一個命令後結束（不需要顯示器），適合腳本和批次設定。</translation>
    </message>
    <message>
        <source>命令:</source>
        <translation>命令:</translation>
    </message>
    <message>
        <source>命令的通用选项:</source>
        <translation>命令的通用選項:</translation>
    </message>
    <message>
        <source>显示版本</source>
        <translation>顯示版本</translation>
    </message>
    <message>
        <source>每个命令的选项: timeclock-setup COMMAND --help</source>
        <translation>每個命令的選項: timeclock-setup COMMAND --help</translation>
    </message>
    <message>
        <source>窗口的选项:</source>
        <translation>視窗的選項:</translation>
    </message>
    <message>
        <source>Qt 的窗口选项（如 -platform offscreen、-style Fusion）</source>
        <translation>Qt 的視窗選項（如 -platform offscreen、-style Fusion）</translation>
    </message>
    <message>
        <source>JSON:</source>
        <translation>JSON:</translation>
    </message>
    <message>
        <source>provision 的配置文件 (INI，UTF-8 或带 BOM 的 UTF-16；未知的节或键、重复的键都是错误):</source>
        <translation>provision 的設定檔 (INI，UTF-8 或帶 BOM 的 UTF-16；未知的區段或鍵、重複的鍵都是錯誤):</translation>
    </message>
    <message>
        <source>  缺少的键取窗口的初始值；没有 [logo] 时不下载图片（有 [logo] 就必须有 file=）。
  第一次按回车时先查一遍整条线：除出厂机号外还有考勤机回答，就说出它们并停下，什么也不写。
  每台：用出厂机号读序列号（不回答的不设置），改号为 N（之前先问 N 和本次给过的机号，有回答就不改），设置，下载图片，用机号 N 读序列号确认。
  重试（回车）和 --resume 先在给过的机号上问这台考勤机、核对序列号，再从第一个没确认的步骤接着做。
  每个要求的机号在输出和 --report 的 CSV 里都有一行：done、failed、skipped、not-reached 或 interrupted。</source>
        <translation>  缺少的鍵取視窗的初始值；沒有 [logo] 時不下載圖片（有 [logo] 就必須有 file=）。
  第一次按 Enter 時先查一遍整條線：除出廠機號外還有考勤機回答，就說出它們並停下，什麼也不寫。
  每臺：用出廠機號讀序號（不回答的不設定），改號為 N（之前先問 N 和本次給過的機號，有回答就不改），設定，下載圖片，用機號 N 讀序號確認。
  重試（Enter）和 --resume 先在給過的機號上問這臺考勤機、核對序號，再從第一個沒確認的步驟接著做。
  每個要求的機號在輸出和 --report 的 CSV 裡都有一行：done、failed、skipped、not-reached 或 interrupted。</translation>
    </message>
    <message>
        <source>图片反色</source>
        <translation>圖片反色</translation>
    </message>
    <message>
        <source>图片用抖动保留灰度（只对图片）</source>
        <translation>圖片用抖動保留灰度（只對圖片）</translation>
    </message>
    <message>
        <source>图片裁去多余的两边，填满 128 × 32（默认整张放入，留白边）</source>
        <translation>圖片裁去多餘的兩邊，填滿 128 × 32（預設整張放入，留白邊）</translation>
    </message>
    <message>
        <source>无法写入标准输出！</source>
        <translation>無法寫入標準輸出！</translation>
    </message>
    <message>
        <source>这是文件夹</source>
        <translation>這是資料夾</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>不是一般檔案</translation>
    </message>
    <message>
        <source>这是输入文件</source>
        <translation>這是輸入檔案</translation>
    </message>
    <message>
        <source>文件已存在，用 --force 替换</source>
        <translation>檔案已存在，用 --force 替換</translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation>資料夾不存在</translation>
    </message>
    <message>
        <source>路径中有一段不是文件夹</source>
        <translation>路徑中有一段不是資料夾</translation>
    </message>
    <message>
        <source>要写的 logo 文本文件；- 为标准输出</source>
        <translation>要寫的 logo 文字檔案；- 為標準輸出</translation>
    </message>
    <message>
        <source>替换已有的文件（输入文件永远不会被替换）</source>
        <translation>替換已有的檔案（輸入檔案永遠不會被替換）</translation>
    </message>
    <message>
        <source>不用串口：在终端里画出将要下载的 128 × 32 图片（每个字符 2 × 2 点，66 列宽）</source>
        <translation>不用序列埠：在終端機裡畫出將要下載的 128 × 32 圖片（每個字元 2 × 2 點，66 欄寬）</translation>
    </message>
    <message>
        <source>不用串口：把图片转换成 logo 文本文件，输出写入的路径；不替换已有文件，除非 --force</source>
        <translation>不用序列埠：把圖片轉換成 logo 文字檔案，輸出寫入的路徑；不替換已有檔案，除非 --force</translation>
    </message>
    <message>
        <source>终端太窄：图片要 %1 列，这里只有 %2 列；请加宽窗口，或把输出写入文件</source>
        <translation>終端機太窄：圖片要 %1 欄，這裡只有 %2 欄；請加寬視窗，或把輸出寫入檔案</translation>
    </message>
    <message>
        <source>缺少 -o FILE.txt</source>
        <translation>缺少 -o FILE.txt</translation>
    </message>
    <message>
        <source>-o - 与 --json 不能同用：两者都写标准输出</source>
        <translation>-o - 與 --json 不能同用：兩者都寫標準輸出</translation>
    </message>
    <message>
        <source>空闲</source>
        <translation>空閒</translation>
    </message>
    <message>
        <source>被占用</source>
        <translation>被佔用</translation>
    </message>
    <message>
        <source>权限不足</source>
        <translation>權限不足</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>制造商 %1</source>
        <translation>製造商 %1</translation>
    </message>
    <message>
        <source>序列号 %1</source>
        <translation>序號 %1</translation>
    </message>
    <message>
        <source>串口号 N 对应设备 DEVICE（可重复），同窗口的 --port</source>
        <translation>序列埠號 N 對應裝置 DEVICE（可重複），同視窗的 --port</translation>
    </message>
    <message>
        <source>列出能用的串口：号码（同窗口和 --port）、设备、USB 名称和编号、固定名、是否被占用</source>
        <translation>列出能用的序列埠：號碼（同視窗和 --port）、裝置、USB 名稱和編號、固定名、是否被佔用</translation>
    </message>
    <message>
        <source>没有找到串口：请插上 USB 转串口线，或用 --port N=DEVICE 指定设备</source>
        <translation>沒有找到序列埠：請插上 USB 轉序列埠線，或用 --port N=DEVICE 指定裝置</translation>
    </message>
    <message>
        <source>剩余 %1 秒</source>
        <translation>剩餘 %1 秒</translation>
    </message>
    <message>
        <source>要给的机号，如 1-20,25（必须给出；同一机号只能出现一次）</source>
        <translation>要給的機號，如 1-20,25（必須給出；同一機號只能出現一次）</translation>
    </message>
    <message>
        <source>每个机号一行写入 CSV 报告；已有的本程序报告接着往下写，别的文件不碰</source>
        <translation>每個機號一行寫入 CSV 報告；已有的本程式報告接著往下寫，別的檔案不碰</translation>
    </message>
    <message>
        <source>跳过报告里已经完成的机号</source>
        <translation>跳過報告裡已經完成的機號</translation>
    </message>
    <message>
        <source>第一次按回车时查一遍整条线，每个机号先等回答的毫秒数，从问题发完算起（默认 %1）</source>
        <translation>第一次按 Enter 時查一遍整條線，每個機號先等回答的毫秒數，從問題發完算起（預設 %1）</translation>
    </message>
    <message>
        <source>机号 %1（序列号 %2）</source>
        <translation>機號 %1（序號 %2）</translation>
    </message>
    <message>
        <source>、</source>
        <translation>、</translation>
    </message>
    <message>
        <source>报告太大（超过 %1 MB）：请换一个新的报告文件</source>
        <translation>報告太大（超過 %1 MB）：請換一個新的報告檔案</translation>
    </message>
    <message>
        <source>%1：最后一行没有写完，已略去：%2</source>
        <translation>%1：最後一行沒有寫完，已略去：%2</translation>
    </message>
    <message>
        <source>机号 %1 已有考勤机回答：先取下已设置好的考勤机</source>
        <translation>機號 %1 已有考勤機回答：先取下已設定好的考勤機</translation>
    </message>
    <message>
        <source>改号 %1</source>
        <translation>改號 %1</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>图片</source>
        <translation>圖片</translation>
    </message>
    <message>
        <source>图片前 %1 行</source>
        <translation>圖片前 %1 行</translation>
    </message>
    <message>
        <source>已确认：%1</source>
        <translation>已確認：%1</translation>
    </message>
    <message>
        <source>上一台考勤机（机号 %1）还接在线上：换上新的考勤机后按回车</source>
        <translation>上一臺考勤機（機號 %1）還接在線上：換上新的考勤機後按 Enter</translation>
    </message>
    <message>
        <source>没有 %1 号考勤机回答：接上新的考勤机后按回车</source>
        <translation>沒有 %1 號考勤機回答：接上新的考勤機後按 Enter</translation>
    </message>
    <message>
        <source>序列号 %1 已设置过（机号 %2）</source>
        <translation>序號 %1 已設定過（機號 %2）</translation>
    </message>
    <message>
        <source>机号 %1 读到的序列号 %2 不是出厂机号读到的 %3</source>
        <translation>機號 %1 讀到的序號 %2 不是出廠機號讀到的 %3</translation>
    </message>
    <message>
        <source>失败 %1 台（%2）</source>
        <translation>失敗 %1 臺（%2）</translation>
    </message>
    <message>
        <source>中断 %1 台（%2）</source>
        <translation>中斷 %1 臺（%2）</translation>
    </message>
    <message>
        <source>跳过 %1 台（%2）</source>
        <translation>跳過 %1 臺（%2）</translation>
    </message>
    <message>
        <source>没轮到 %1 台（%2）</source>
        <translation>沒輪到 %1 臺（%2）</translation>
    </message>
    <message numerus="yes">
        <source>共 %n 台，全部完成</source>
        <translation>
            <numerusform>共 %n 臺，全部完成</numerusform>
        </translation>
    </message>
    <message>
        <source>完成 %1 台</source>
        <translation>完成 %1 臺</translation>
    </message>
    <message numerus="yes">
        <source>共 %n 台：%2</source>
        <translation>
            <numerusform>共 %n 臺：%2</numerusform>
        </translation>
    </message>
    <message>
        <source>；</source>
        <translation>；</translation>
    </message>
    <message>
        <source>成批设置：每台先用出厂机号读序列号，再改号、设置、下载图片，最后用新机号读序列号确认</source>
        <translation>批次設定：每臺先用出廠機號讀序號，再改號、設定、下載圖片，最後用新機號讀序號確認</translation>
    </message>
    <message>
        <source>provision 需要 --numbers，如 --numbers 1-20</source>
        <translation>provision 需要 --numbers，如 --numbers 1-20</translation>
    </message>
    <message>
        <source>--resume 需要 --report FILE.csv</source>
        <translation>--resume 需要 --report FILE.csv</translation>
    </message>
    <message>
        <source>等待时间错误！（1-10000 毫秒）</source>
        <translation>等待時間錯誤！（1-10000 毫秒）</translation>
    </message>
    <message>
        <source>线上已有设置好的考勤机：%1。先取下它们再成批设置</source>
        <translation>線上已有設定好的考勤機：%1。先取下它們再批次設定</translation>
    </message>
    <message>
        <source>报告中已完成</source>
        <translation>報告中已完成</translation>
    </message>
    <message>
        <source>接上第 %1 台考勤机（机号 %2）后按回车，s 跳过，q 结束</source>
        <translation>接上第 %1 臺考勤機（機號 %2）後按 Enter，s 跳過，q 結束</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>跳過</translation>
    </message>
    <message>
        <source>第 %1 台失败：按回车重试，s 跳过，q 结束</source>
        <translation>第 %1 臺失敗：按 Enter 重試，s 跳過，q 結束</translation>
    </message>
    <message>
        <source>（s 跳过，q 结束）</source>
        <translation>（s 跳過，q 結束）</translation>
    </message>
    <message>
        <source>%1 第 %2 行：%3</source>
        <translation>%1 第 %2 行：%3</translation>
    </message>
    <message>
        <source>配置文件太大（超过 %1 KB）</source>
        <translation>設定檔太大（超過 %1 KB）</translation>
    </message>
    <message>
        <source>[logo] 缺少 file=</source>
        <translation>[logo] 缺少 file=</translation>
    </message>
    <message>
        <source>不是本程序的报告（第一行不是报告的标题行）</source>
        <translation>不是本程式的報告（第一行不是報告的標題行）</translation>
    </message>
    <message>
        <source>不是本程序的报告（第 %1 条记录不是本程序写的）</source>
        <translation>不是本程式的報告（第 %1 條記錄不是本程式寫的）</translation>
    </message>
    <message>
        <source>机号 %1：序列号 %2（回答慢：短等待内没有回答，再问一次才找到）</source>
        <translation>機號 %1：序號 %2（回答慢：短等待內沒有回答，再問一次才找到）</translation>
    </message>
    <message>
        <source>机号 %1：序列号 %2</source>
        <translation>機號 %1：序號 %2</translation>
    </message>
    <message>
        <source>机号 %1 回答太迟（序列号 %2），再问时一秒内没有回答</source>
        <translation>機號 %1 回答太遲（序號 %2），再問時一秒內沒有回答</translation>
    </message>
    <message>
        <source>机号 %1：回答错误（%2）</source>
        <translation>機號 %1：回答錯誤（%2）</translation>
    </message>
    <message>
        <source>不知道这条线上有几台考勤机（记住的设置无法读写）：改号会让每一台都换成新机号。</source>
        <translation>不知道這條線上有幾臺考勤機（記住的設定無法讀寫）：改號會讓每一臺都換成新機號。</translation>
    </message>
    <message>
        <source>确实要这样，请加 --all；只改一台，请先拔掉其他考勤机</source>
        <translation>確實要這樣，請加 --all；只改一臺，請先拔掉其他考勤機</translation>
    </message>
    <message>
        <source>要查的机号，如 0-255（默认）或 18</source>
        <translation>要查的機號，如 0-255（預設）或 18</translation>
    </message>
    <message>
        <source>每个机号先等回答的毫秒数，从问题发完算起（默认 %1）；晚到的回答让这个机号再问一次，等一秒</source>
        <translation>每個機號先等回答的毫秒數，從問題發完算起（預設 %1）；晚到的回答讓這個機號再問一次，等一秒</translation>
    </message>
    <message>
        <source>查找机号：依次读每个机号的序列号（不改变考勤机），列出回答的考勤机</source>
        <translation>尋找機號：依次讀每個機號的序號（不改變考勤機），列出回答的考勤機</translation>
    </message>
    <message>
        <source>没有考勤机回答（机号 %1）：请检查连线和串口号</source>
        <translation>沒有考勤機回答（機號 %1）：請檢查連線和序列埠號</translation>
    </message>
    <message>
        <source>已查机号 %1-%2</source>
        <translation>已查機號 %1-%2</translation>
    </message>
    <message>
        <source>不用串口：列出窗口和命令行发给考勤机的每个命令（时间、串口、机号、命令、结果、序列号、图片摘要）</source>
        <translation>不用序列埠：列出視窗和命令列發給考勤機的每個命令（時間、序列埠、機號、命令、結果、序號、圖片摘要）</translation>
    </message>
    <message>
        <source>还没有历史记录（%1）</source>
        <translation>還沒有歷史記錄（%1）</translation>
    </message>
    <message>
        <source>无法解码：应为 UTF-8，或带字节顺序标记的 UTF-16</source>
        <translation>無法解碼：應為 UTF-8，或帶位元組順序標記的 UTF-16</translation>
    </message>
    <message>
        <source>不是 [节]、键=值 或注释：%1</source>
        <translation>不是 [區段]、鍵=值 或註解：%1</translation>
    </message>
    <message>
        <source>未知的节 [%1]</source>
        <translation>未知的區段 [%1]</translation>
    </message>
    <message>
        <source>键 %1 不在任何节中</source>
        <translation>鍵 %1 不在任何區段中</translation>
    </message>
    <message>
        <source>未知的键 %1</source>
        <translation>未知的鍵 %1</translation>
    </message>
    <message>
        <source>键 %1 重复（第 %2 行已有）</source>
        <translation>鍵 %1 重複（第 %2 行已有）</translation>
    </message>
    <message>
        <source>考勤响铃模式 bell（默认）或考勤门禁模式 door</source>
        <translation>考勤響鈴模式 bell（預設）或考勤門禁模式 door</translation>
    </message>
    <message>
        <source>开机显示OEM图片</source>
        <translation>開機顯示OEM圖片</translation>
    </message>
    <message>
        <source>延时（0-255，默认 0）：门禁模式或开机图片时为开锁延时，否则为打卡延时</source>
        <translation>延遲（0-255，預設 0）：門禁模式或開機圖片時為開鎖延遲，否則為打卡延遲</translation>
    </message>
    <message>
        <source>字体：简体 simplified（默认）或繁体 traditional</source>
        <translation>字型：簡體 simplified（預設）或繁體 traditional</translation>
    </message>
    <message>
        <source>线上有几台考勤机时，确实让每一台都换成新机号</source>
        <translation>線上有幾臺考勤機時，確實讓每一臺都換成新機號</translation>
    </message>
    <message>
        <source>改号：把新机号 NEW 发到改号地址（不用 --machine）</source>
        <translation>改號：把新機號 NEW 發到改號地址（不用 --machine）</translation>
    </message>
    <message>
        <source>设置考勤机：模式、开机图片、延时和字体（默认同窗口初始状态）</source>
        <translation>設定考勤機：模式、開機圖片、延遲和字型（預設同視窗初始狀態）</translation>
    </message>
    <message>
        <source>读序列号：输出六位十六进制数</source>
        <translation>讀序號：輸出六位十六進位數</translation>
    </message>
    <message>
        <source>下载OEM_LOGO图片：logo 文本文件或任何图片（同窗口的读法）</source>
        <translation>下載OEM_LOGO圖片：logo 文字檔案或任何圖片（同視窗的讀法）</translation>
    </message>
    <message>
        <source>图片是空白的也下载（默认拒绝）</source>
        <translation>圖片是空白的也下載（預設拒絕）</translation>
    </message>
    <message>
        <source>图片是空白的，没有下载；确实要下载请加 --allow-blank</source>
        <translation>圖片是空白的，沒有下載；確實要下載請加 --allow-blank</translation>
    </message>
    <message>
        <source>考勤机的图片只更新到第 %1 行</source>
        <translation>考勤機的圖片只更新到第 %1 行</translation>
    </message>
    <message>
        <source>第 %1 行</source>
        <translation>第 %1 行</translation>
    </message>
    <message>
        <source>用文字作图片，不读文件（一行或两行，\n 分行）</source>
        <translation>用文字作圖片，不讀檔案（一行或兩行，\n 分行）</translation>
    </message>
    <message>
        <source>文字的字体（默认：装有的中文黑体）</source>
        <translation>文字的字型（預設：裝有的中文黑體）</translation>
    </message>
    <message>
        <source>文字大小：fit 放满 128 × 32（默认），或 1-%1 点</source>
        <translation>文字大小：fit 放滿 128 × 32（預設），或 1-%1 點</translation>
    </message>
    <message>
        <source>文字加粗</source>
        <translation>文字加粗</translation>
    </message>
    <message>
        <source>文字对齐：left、center（默认）或 right</source>
        <translation>文字對齊：left、center（預設）或 right</translation>
    </message>
    <message>
        <source>文字是空的！</source>
        <translation>文字是空的！</translation>
    </message>
    <message>
        <source>文字最多两行！</source>
        <translation>文字最多兩行！</translation>
    </message>
    <message>
        <source>没有这个字体！</source>
        <translation>沒有這個字型！</translation>
    </message>
    <message>
        <source>文字大小错误！</source>
        <translation>文字大小錯誤！</translation>
    </message>
    <message>
        <source>对齐方式错误！</source>
        <translation>對齊方式錯誤！</translation>
    </message>
    <message>
        <source>线路的回声（两线 RS-485）：auto 自动识别（默认），on 总有回声，off 没有回声</source>
        <translation>線路的回聲（兩線 RS-485）：auto 自動識別（預設），on 總有回聲，off 沒有回聲</translation>
    </message>
    <message>
        <source>回声选项错误！</source>
        <translation>回聲選項錯誤！</translation>
    </message>
    <message>
        <source>  --json 时每个结果在标准输出上占一行 JSON 对象，每个对象都有这些键（不适用时为 null）：command、port、machine、ok、status、message、serial、lines_confirmed、elapsed_ms、step、not_done。status 为 %1 之一。</source>
        <translation>  --json 時每個結果在標準輸出上佔一行 JSON 物件，每個物件都有這些鍵（不適用時為 null）：command、port、machine、ok、status、message、serial、lines_confirmed、elapsed_ms、step、not_done。status 為 %1 之一。</translation>
    </message>
    <message>
        <source>机号已有考勤机 %1 台（%2）</source>
        <translation>機號已有考勤機 %1 臺（%2）</translation>
    </message>
    <message>
        <source>序列号已设置过 %1 台（%2）</source>
        <translation>序號已設定過 %1 臺（%2）</translation>
    </message>
    <message>
        <source>报告少了 %1 的一行</source>
        <translation>報告少了 %1 的一行</translation>
    </message>
    <message>
        <source>%1：机号 %2 重复</source>
        <translation>%1：機號 %2 重複</translation>
    </message>
    <message>
        <source>机号 %1（序列号 %2）的一行没有写进报告：%3</source>
        <translation>機號 %1（序號 %2）的一行沒有寫進報告：%3</translation>
    </message>
    <message>
        <source>这台电脑已把这个序列号写进过另一台考勤机时，仍然写入（默认拒绝）</source>
        <translation>這臺電腦已把這個序號寫進過另一臺考勤機時，仍然寫入（預設拒絕）</translation>
    </message>
    <message>
        <source>写序列号：六位十六进制数（先读出考勤机现在的序列号）</source>
        <translation>寫序號：六位十六進位數（先讀出考勤機現在的序號）</translation>
    </message>
    <message>
        <source>写之前读不出考勤机现在的序列号，没有写入</source>
        <translation>寫之前讀不出考勤機現在的序號，沒有寫入</translation>
    </message>
    <message>
        <source>序列号 %1 已在 %2；这台考勤机现在的序列号是 %3，写入会让两台考勤机序列号相同。没有写入；确实要写，请加 --force</source>
        <translation>序號 %1 已在 %2；這臺考勤機現在的序號是 %3，寫入會讓兩臺考勤機序號相同。沒有寫入；確實要寫，請加 --force</translation>
    </message>
    <message>
        <source>--port all：没有对应的串口（用 --port N=DEVICE 给出，或在窗口里设过）</source>
        <translation>--port all：沒有對應的序列埠（用 --port N=DEVICE 給出，或在視窗裡設過）</translation>
    </message>
    <message>
        <source>%1/%2 串口，%3/%4 个机号</source>
        <translation>%1/%2 序列埠，%3/%4 個機號</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>几条线同时查：--port 可以给几次（号码、设备、网络地址，或 N=DEVICE），--port all 取每个对应的串口；每行以串口开头</source>
        <translation>幾條線同時查：--port 可以給幾次（號碼、裝置、網路位址，或 N=DEVICE），--port all 取每個對應的序列埠；每行以序列埠開頭</translation>
    </message>
    <message>
        <source>由串口的驱动切换 RS-485 收发方向（发送时 RTS 有效）；驱动不能切换时不打开串口</source>
        <translation>由序列埠的驅動程式切換 RS-485 收發方向（傳送時 RTS 有效）；驅動程式不能切換時不開啟序列埠</translation>
    </message>
    <message>
        <source>不打开串口：只用这台电脑的历史记录</source>
        <translation>不開啟序列埠：只用這臺電腦的歷史記錄</translation>
    </message>
    <message>
        <source>输出 CSV（表格软件照原样打开）</source>
        <translation>輸出 CSV（表格軟體照原樣開啟）</translation>
    </message>
    <message>
        <source>已确认</source>
        <translation>已確認</translation>
    </message>
    <message>
        <source>未确认 %1/%2 行</source>
        <translation>未確認 %1/%2 行</translation>
    </message>
    <message>
        <source>未确认</source>
        <translation>未確認</translation>
    </message>
    <message>
        <source>现场一览：每台考勤机一行（按序列号跟踪），连同最后回答的时间和最后写入的设置和图片</source>
        <translation>現場一覽：每臺考勤機一行（按序號追蹤），連同最後回答的時間和最後寫入的設定和圖片</translation>
    </message>
    <message>
        <source>设置和图片：这台电脑记录的发送且考勤机确认的内容（考勤机读不回来）</source>
        <translation>設定和圖片：這臺電腦記錄的傳送且考勤機確認的內容（考勤機讀不回來）</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>序列埠</translation>
    </message>
    <message>
        <source>机号</source>
        <translation>機號</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>序號</translation>
    </message>
    <message>
        <source>最后回答</source>
        <translation>最後回答</translation>
    </message>
    <message>
        <source>全部确认</source>
        <translation>全部確認</translation>
    </message>
    <message>
        <source>是</source>
        <translation>是</translation>
    </message>
    <message>
        <source>否</source>
        <translation>否</translation>
    </message>
    <message>
        <source>可能有两台同号</source>
        <translation>可能有兩臺同號</translation>
    </message>
    <message>
        <source>--csv 和 --json 只能选一个</source>
        <translation>--csv 和 --json 只能選一個</translation>
    </message>
    <message>
        <source>历史记录里还没有考勤机（%1）</source>
        <translation>歷史記錄裡還沒有考勤機（%1）</translation>
    </message>
    <message>
        <source>每个串口上要设置的机号，如 1-20（给出时不查找）</source>
        <translation>每個序列埠上要設定的機號，如 1-20（給出時不尋找）</translation>
    </message>
    <message>
        <source>不问，直接开始（给脚本用）</source>
        <translation>不問，直接開始（給腳本用）</translation>
    </message>
    <message>
        <source>跳过按本机记录已经是这些设置和图片、并且考勤机确认过的考勤机</source>
        <translation>跳過按本機記錄已經是這些設定和圖片、並且考勤機確認過的考勤機</translation>
    </message>
    <message>
        <source>只重做这份报告里失败的考勤机（不查找）</source>
        <translation>只重做這份報告裡失敗的考勤機（不尋找）</translation>
    </message>
    <message>
        <source>%1 的 %2（序列号 %3）的一行没有写进报告：%4</source>
        <translation>%1 的 %2（序號 %3）的一行沒有寫進報告：%4</translation>
    </message>
    <message>
        <source>%1 的 %2</source>
        <translation>%1 的 %2</translation>
    </message>
    <message>
        <source>设置和图片</source>
        <translation>設定和圖片</translation>
    </message>
    <message>
        <source>把配置文件的设置和图片发给几条线上的每台考勤机（几条线同时，一条线上一台接一台；不改号，不写序列号）</source>
        <translation>把設定檔的設定和圖片發給幾條線上的每臺考勤機（幾條線同時，一條線上一臺接一臺；不改號，不寫序號）</translation>
    </message>
    <message>
        <source>考勤机由查找得出（--port 可以给几次，--port all 取每个对应的串口），或用 --machines 给出；开始前问一次，列出要改的考勤机</source>
        <translation>考勤機由尋找得出（--port 可以給幾次，--port all 取每個對應的序列埠），或用 --machines 給出；開始前問一次，列出要改的考勤機</translation>
    </message>
    <message>
        <source>配置文件没有 [settings] 也没有 [logo]：没有要发的</source>
        <translation>設定檔沒有 [settings] 也沒有 [logo]：沒有要發的</translation>
    </message>
    <message>
        <source>报告里没有失败的考勤机</source>
        <translation>報告裡沒有失敗的考勤機</translation>
    </message>
    <message>
        <source>%1：%2，没有设置</source>
        <translation>%1：%2，沒有設定</translation>
    </message>
    <message>
        <source>按记录已相同</source>
        <translation>按記錄已相同</translation>
    </message>
    <message>
        <source>  %1：机号 %2</source>
        <translation>  %1：機號 %2</translation>
    </message>
    <message>
        <source>将把%1发给 %2 个串口上的 %3 台考勤机：</source>
        <translation>將把%1發給 %2 個序列埠上的 %3 臺考勤機：</translation>
    </message>
    <message>
        <source>按回车开始，q 取消</source>
        <translation>按 Enter 開始，q 取消</translation>
    </message>
    <message>
        <source>没有发送任何命令</source>
        <translation>沒有傳送任何命令</translation>
    </message>
    <message>
        <source>没有找到要设置的考勤机</source>
        <translation>沒有找到要設定的考勤機</translation>
    </message>
    <message>
        <source>apply 用同一种配置文件（不用 [factory]）：有 [settings] 才发设置，有 [logo] 才下载图片；不改号，不写序列号。
  每台考勤机在输出和 --report 的 CSV 里都有一行（settings、logo 两步）；--redo-failed 只重做报告里 failed 的行。</source>
        <translation>apply 用同一種設定檔（不用 [factory]）：有 [settings] 才發設定，有 [logo] 才下載圖片；不改號，不寫序號。
  每臺考勤機在輸出和 --report 的 CSV 裡都有一行（settings、logo 兩步）；--redo-failed 只重做報告裡 failed 的行。</translation>
    </message>
    <message>
        <source>现在回答</source>
        <translation>現在回答</translation>
    </message>
    <message>
        <source>先同时查找给出的每条线路（--port 与 scan 相同），再列出表格；--offline 只用这台电脑的记录</source>
        <translation>先同時尋找給出的每條線路（--port 與 scan 相同），再列出表格；--offline 只用這臺電腦的記錄</translation>
    </message>
    <message>
        <source>--offline 不打开串口，不用 --%1</source>
        <translation>--offline 不開啟序列埠，不用 --%1</translation>
    </message>
    <message>
        <source>这些串口上没有已知的考勤机</source>
        <translation>這些序列埠上沒有已知的考勤機</translation>
    </message>
    <message>
        <source>%1 个串口同时打开要 %2 个文件描述符，这个进程最多 %3 个（ulimit -n），已用 %4 个：请提高上限或少给几个串口</source>
        <translation>%1 個序列埠同時開啟要 %2 個檔案描述符，這個程式最多 %3 個（ulimit -n），已用 %4 個：請提高上限或少給幾個序列埠</translation>
    </message>
    <message>
        <source>最多同时 %1 个串口，给了 %2 个：请分几次做</source>
        <translation>最多同時 %1 個序列埠，給了 %2 個：請分幾次做</translation>
    </message>
</context>
</TS>
