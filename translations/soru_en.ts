<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>soru</name>
    <message>
        <source>[ ルートアルバム ]</source>
        <translation>[ Root album ]</translation>
    </message>
    <message>
        <source>使い方: soru [オプション] [フォルダ | 写真ファイル]

フォルダをアルバムの置き場所として、写真を全画面で表示します。
フォルダ直下の各サブフォルダが一つのアルバムです。
写真ファイル（.jpg .jpe .jpeg .bmp .png .webp .heic .heif .avif）を指定すると、
そのファイルのあるフォルダを置き場所として、その写真から表示します。
フォルダを省略すると、インストール先から起動したときはピクチャフォルダ
（無ければホームフォルダ）を、それ以外はプログラムのあるフォルダを使います。

オプション:
  --frame            額縁モードで起動します（前回の続きの写真から、Esc で通常の画面へ）
  --lang ja|en       表示の言語を選びます（省略時は設定ファイルかシステムの言語）
  --screenshot FILE  起動が終わったらメインウィンドウを PNG で保存して終了します
  --help             この説明を表示します
  --version          バージョンを表示します
</source>
        <translation>Usage: soru [OPTIONS] [FOLDER | PICTURE]

Shows the pictures of the albums in FOLDER full screen.
Every folder directly inside FOLDER is an album.
Given a picture file (.jpg .jpe .jpeg .bmp .png .webp .heic .heif .avif),
its folder holds the albums and that picture is shown first.
Without FOLDER, an installed program uses the Pictures folder (or the home
folder when there is none); any other copy uses the folder it is in.

Options:
  --frame            start as a photo frame (where the last one stopped; Esc leaves it)
  --lang ja|en       the language of the texts (default: the settings file, else the system&apos;s)
  --screenshot FILE  when started, save the main window as PNG to FILE and exit
  --help             show this text
  --version          show the version
</translation>
    </message>
    <message>
        <source>--lang には ja か en を指定します</source>
        <translation>--lang takes ja or en</translation>
    </message>
    <message>
        <source>--screenshot にはファイル名が必要です</source>
        <translation>--screenshot needs a file name</translation>
    </message>
    <message>
        <source>不明なオプションです: %1</source>
        <translation>Unknown option: %1</translation>
    </message>
    <message>
        <source>フォルダ名が空です</source>
        <translation>The folder name is empty</translation>
    </message>
    <message>
        <source>フォルダは一つだけ指定できます: %1</source>
        <translation>Only one folder can be given: %1</translation>
    </message>
    <message>
        <source>フォルダが見つかりません: %1</source>
        <translation>Folder not found: %1</translation>
    </message>
    <message>
        <source>フォルダでも写真ファイルでもありません: %1</source>
        <translation>Neither a folder nor a picture file: %1</translation>
    </message>
    <message>
        <source>メモリが不足しています</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <source>不明なエラーが発生しました</source>
        <translation>An unknown error occurred</translation>
    </message>
    <message>
        <source>メモ付</source>
        <translation>With memo</translation>
    </message>
    <message>
        <source>サウンド付</source>
        <translation>With sound</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>前へ(&amp;B)</source>
        <translation>&amp;Back</translation>
    </message>
    <message>
        <source>自動(&amp;A)</source>
        <translation>&amp;Auto</translation>
    </message>
    <message>
        <source>次へ(&amp;N)</source>
        <translation>&amp;Next</translation>
    </message>
    <message>
        <source>情報(&amp;I)</source>
        <translation>&amp;Info</translation>
    </message>
    <message>
        <source>再生(&amp;P)</source>
        <translation>&amp;Play</translation>
    </message>
    <message>
        <source>一覧(&amp;A)</source>
        <translation>Thumbn&amp;ails</translation>
    </message>
    <message>
        <source>壁紙(&amp;W)</source>
        <translation>&amp;Wallpaper</translation>
    </message>
    <message>
        <source>複写(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>カーソル方向の画像を次々と表示していきます</source>
        <translation>Shows the pictures one after another in the cursor&apos;s direction</translation>
    </message>
    <message>
        <source>バージョン情報を表示します</source>
        <translation>Shows the version information</translation>
    </message>
    <message>
        <source>サウンド付きの場合に再生します</source>
        <translation>Plays the picture&apos;s sound, if it has one</translation>
    </message>
    <message>
        <source>サムネイル表示しますが時間がかかります</source>
        <translation>Shows thumbnails; this takes a while</translation>
    </message>
    <message>
        <source>壁紙に設定します</source>
        <translation>Sets as the wallpaper</translation>
    </message>
    <message>
        <source>表示している画像をコピーします</source>
        <translation>Copies the picture shown</translation>
    </message>
    <message>
        <source>右クリックで表示する写真を選択できます</source>
        <translation>Right-click to choose the picture to show</translation>
    </message>
    <message>
        <source>ページ単位でスクロールします</source>
        <translation>Scrolls a page at a time</translation>
    </message>
    <message>
        <source>1 秒</source>
        <translation>1 s</translation>
    </message>
    <message>
        <source>2 秒</source>
        <translation>2 s</translation>
    </message>
    <message>
        <source>3 秒</source>
        <translation>3 s</translation>
    </message>
    <message>
        <source>5 秒</source>
        <translation>5 s</translation>
    </message>
    <message>
        <source>10 秒</source>
        <translation>10 s</translation>
    </message>
    <message>
        <source>30 秒</source>
        <translation>30 s</translation>
    </message>
    <message>
        <source>1 分</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>3 分</source>
        <translation>3 min</translation>
    </message>
    <message>
        <source>5 分</source>
        <translation>5 min</translation>
    </message>
    <message>
        <source>10 分</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>中央に表示</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>並べて表示</source>
        <translation>Tile</translation>
    </message>
    <message>
        <source>拡大して表示</source>
        <translation>Stretch</translation>
    </message>
    <message>
        <source>壁紙を変更してもよろしいですか？</source>
        <translation>Change the wallpaper?</translation>
    </message>
    <message>
        <source>拡大表示すると、画像が変形する可能性がありますが、よろしいですか？</source>
        <translation>Stretching may distort the picture. Go ahead?</translation>
    </message>
    <message>
        <source>クリップボードを開くことができません</source>
        <translation>Cannot open the clipboard</translation>
    </message>
    <message>
        <source>額縁(&amp;F)</source>
        <translation>Photo &amp;frame</translation>
    </message>
    <message>
        <source>額縁の設定(&amp;S)</source>
        <translation>Photo frame &amp;settings</translation>
    </message>
    <message>
        <source>間隔</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>順序</source>
        <translation>Order</translation>
    </message>
    <message>
        <source>名前順</source>
        <translation>By name</translation>
    </message>
    <message>
        <source>シャッフル</source>
        <translation>Shuffled</translation>
    </message>
    <message>
        <source>撮影日順</source>
        <translation>By date taken</translation>
    </message>
    <message>
        <source>フェード</source>
        <translation>Fade</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>0.5 秒</source>
        <translation>0.5 s</translation>
    </message>
    <message>
        <source>メモを表示</source>
        <translation>Show memos</translation>
    </message>
    <message>
        <source>サウンドを再生</source>
        <translation>Play sounds</translation>
    </message>
    <message>
        <source>%1 に書き込めません</source>
        <translation>Cannot write to %1</translation>
    </message>
    <message>
        <source>スライドショーを表示しています</source>
        <translation>Showing a slide show</translation>
    </message>
    <message>
        <source>ファイル %1 を作成できません</source>
        <translation>Cannot create the file %1</translation>
    </message>
    <message>
        <source>ファイル %1 は開けません</source>
        <translation>Cannot open the file %1</translation>
    </message>
    <message>
        <source>JPEG エラー #%1</source>
        <translation>JPEG error #%1</translation>
    </message>
    <message>
        <source>ビットマップイメージが不正です</source>
        <translation>The bitmap image is invalid</translation>
    </message>
    <message>
        <source>PNG イメージ %1 は不正です</source>
        <translation>The PNG image %1 is invalid</translation>
    </message>
    <message>
        <source>WebP イメージ %1 は不正です</source>
        <translation>The WebP image %1 is invalid</translation>
    </message>
    <message>
        <source>HEIF イメージ %1 は不正です</source>
        <translation>The HEIF image %1 is invalid</translation>
    </message>
    <message>
        <source>ストリームからの読み込みに失敗しました</source>
        <translation>Reading from the stream failed</translation>
    </message>
    <message>
        <source>（メモが長すぎるため、ここまでを表示しています）</source>
        <translation>(The memo is too long; only this much is shown)</translation>
    </message>
    <message>
        <source>キー %1 の作成に失敗しました</source>
        <translation>Creating the key %1 failed</translation>
    </message>
    <message>
        <source>&apos;%1&apos; の設定に失敗しました</source>
        <translation>Setting &apos;%1&apos; failed</translation>
    </message>
    <message>
        <source>Windows 95, 98, NT4.0 (Comctl32.dll 4.72以降) ready</source>
        <translation>Windows 95, 98, NT4.0 (Comctl32.dll 4.72 or later) ready</translation>
    </message>
    <message>
        <source>クリックで閉じます</source>
        <translation>Click to close</translation>
    </message>
    <message>
        <source> 今日の運勢は「</source>
        <translation> Today&apos;s fortune, I think: “</translation>
    </message>
    <message>
        <source>」だと思います。</source>
        <translation>”.</translation>
    </message>
    <message>
        <source> 使用方法：</source>
        <translation> How to use:</translation>
    </message>
    <message>
        <source> 以下のファイルを全て CD-R のルートフォルダ</source>
        <translation> Put all the following files in the root</translation>
    </message>
    <message>
        <source> に入れて下さい。</source>
        <translation> folder of a CD-R.</translation>
    </message>
    <message>
        <source> その CD-R を CD に入れると、ルートフォルダ</source>
        <translation> Put that CD-R in the drive, and the folders</translation>
    </message>
    <message>
        <source> 以下のフォルダをボタンとして表示します。</source>
        <translation> in its root folder show as buttons.</translation>
    </message>
    <message>
        <source> そのボタンを押すと、そのフォルダ内の以下の</source>
        <translation> Press a button to see the pictures in that</translation>
    </message>
    <message>
        <source> 拡張子の画像ファイルを表示することが出来ま</source>
        <translation> folder whose files have one of these</translation>
    </message>
    <message>
        <source> す。</source>
        <translation> extensions.</translation>
    </message>
    <message>
        <source> また、同一ファイル名で拡張子 WAV（サウンド）,</source>
        <translation> A file of the same name with the extension</translation>
    </message>
    <message>
        <source> RTF or TXT（テキスト）のファイルを入れておく</source>
        <translation> WAV (sound), RTF or TXT (text) is played</translation>
    </message>
    <message>
        <source> と画像表示と共に再生・表示します。</source>
        <translation> or shown with the picture.</translation>
    </message>
    <message>
        <source> 注意：</source>
        <translation> Note:</translation>
    </message>
    <message>
        <source> 本ソフトはフリーソフトです。転載・配布は自由</source>
        <translation> This is free software: copy and share it</translation>
    </message>
    <message>
        <source> ですが、使用によって生じたいかなる損害にも</source>
        <translation> freely, but the author accepts no liability</translation>
    </message>
    <message>
        <source> 作者は一切の責任を負いません。</source>
        <translation> for any damage caused by its use.</translation>
    </message>
    <message>
        <source> ハイカラー以上でのご利用をお願い致します。</source>
        <translation> Please use a display of High Color or more.</translation>
    </message>
    <message>
        <source>大吉</source>
        <translation>Excellent</translation>
    </message>
    <message>
        <source>中吉</source>
        <translation>Very good</translation>
    </message>
    <message>
        <source>小吉</source>
        <translation>Good</translation>
    </message>
    <message>
        <source> 吉 </source>
        <translation>Fair</translation>
    </message>
    <message>
        <source>末吉</source>
        <translation>Good, later</translation>
    </message>
    <message>
        <source> 凶 </source>
        <translation>Bad</translation>
    </message>
    <message>
        <source>SORU を終了します</source>
        <translation>Exits SORU</translation>
    </message>
    <message>
        <source>前の写真を表示します</source>
        <translation>Shows the previous picture</translation>
    </message>
    <message>
        <source>写真を次々と表示するスライドショーを開始、停止します</source>
        <translation>Starts or stops the slide show</translation>
    </message>
    <message>
        <source>次の写真を表示します</source>
        <translation>Shows the next picture</translation>
    </message>
    <message>
        <source>サムネイル一覧を表示、非表示にします</source>
        <translation>Shows or hides the thumbnails</translation>
    </message>
    <message>
        <source>表示している写真をコピーします</source>
        <translation>Copies the picture shown</translation>
    </message>
    <message>
        <source>表示している写真を壁紙に設定します</source>
        <translation>Makes the picture shown the wallpaper</translation>
    </message>
    <message>
        <source>写真に付いたサウンドを再生します</source>
        <translation>Plays the picture&apos;s sound</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>%1 (写真 %2 枚)</source>
        <translation>%1 (%2 pictures)</translation>
    </message>
    <message>
        <source>写真アルバムを表示します。F6 でアルバム一覧、F7 で写真一覧を開きます</source>
        <translation>Shows photo albums. F6 opens the album list, F7 the picture list</translation>
    </message>
    <message>
        <source>ツールバー</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>Tab キーでボタンを選び、Enter キーで実行します</source>
        <translation>Tab chooses a button, Enter runs it</translation>
    </message>
    <message>
        <source>ウィンドウを最小化します</source>
        <translation>Minimises the window</translation>
    </message>
    <message>
        <source>写真の表示領域</source>
        <translation>Picture area</translation>
    </message>
    <message>
        <source>右クリックまたはメニューキーでメニューを開きます</source>
        <translation>Right-click or the Menu key opens the menu</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>写真の背景</source>
        <translation>Picture background</translation>
    </message>
    <message>
        <source>写真</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>左右の矢印キーで前後の写真に移ります</source>
        <translation>The left and right arrow keys go to the previous and next picture</translation>
    </message>
    <message>
        <source>サムネイル一覧</source>
        <translation>Thumbnails</translation>
    </message>
    <message>
        <source>PageUp、PageDown でページをめくり、矢印キーで写真を選び、Enter キーで表示します</source>
        <translation>PageUp and PageDown turn the pages, the arrow keys choose a picture, Enter shows it</translation>
    </message>
    <message>
        <source>サムネイルのページ</source>
        <translation>Thumbnail page</translation>
    </message>
    <message>
        <source>開いているアルバムの名前</source>
        <translation>The name of the open album</translation>
    </message>
    <message>
        <source>選択枠</source>
        <translation>Selection frame</translation>
    </message>
    <message>
        <source>表示している写真のサムネイルを囲みます</source>
        <translation>Surrounds the thumbnail of the picture shown</translation>
    </message>
    <message>
        <source>メモ欄</source>
        <translation>Memo panel</translation>
    </message>
    <message>
        <source>写真に付いたメモを表示します</source>
        <translation>Shows the picture&apos;s memo</translation>
    </message>
    <message>
        <source>メモ</source>
        <translation>Memo</translation>
    </message>
    <message>
        <source>メモ欄の見出し</source>
        <translation>Memo panel heading</translation>
    </message>
    <message>
        <source>写真に付いたメモ</source>
        <translation>The picture&apos;s memo</translation>
    </message>
    <message>
        <source>状態表示</source>
        <translation>Status bar</translation>
    </message>
    <message>
        <source>進み具合</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>サムネイルの読み込みの進み具合</source>
        <translation>Progress of loading the thumbnails</translation>
    </message>
    <message>
        <source>アルバム一覧の欄</source>
        <translation>Album list panel</translation>
    </message>
    <message>
        <source>F6 キーで開きます</source>
        <translation>F6 opens it</translation>
    </message>
    <message>
        <source>アルバム一覧</source>
        <translation>Album list</translation>
    </message>
    <message>
        <source>上下の矢印キーでアルバムを選び、Enter キーで開きます</source>
        <translation>The up and down arrow keys choose an album, Enter opens it</translation>
    </message>
    <message>
        <source>写真一覧の欄</source>
        <translation>Picture list panel</translation>
    </message>
    <message>
        <source>F7 キーで開きます</source>
        <translation>F7 opens it</translation>
    </message>
    <message>
        <source>写真一覧</source>
        <translation>Picture list</translation>
    </message>
    <message>
        <source>上下の矢印キーで写真を選び、Enter キーで表示します。Esc キーで閉じます</source>
        <translation>The up and down arrow keys choose a picture, Enter shows it. Esc closes the list</translation>
    </message>
    <message>
        <source>写真 %1 / %2: %3</source>
        <translation>Picture %1 / %2: %3</translation>
    </message>
    <message>
        <source>大きさ %1</source>
        <translation>Size %1</translation>
    </message>
    <message>
        <source>日付 %1</source>
        <translation>Date %1</translation>
    </message>
    <message>
        <source>メモ: %1</source>
        <translation>Memo: %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1。PageUp、PageDown でページをめくり、Enter キーで表示します</source>
        <translation>%1. PageUp and PageDown turn the pages, Enter shows a picture</translation>
    </message>
    <message>
        <source>サウンド</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>スクリーンショットを保存できません: %1</source>
        <translation>Cannot save the screenshot: %1</translation>
    </message>
    <message>
        <source>詳しくは soru --help を見てください。</source>
        <translation>See soru --help for more.</translation>
    </message>
    <message numerus="yes">
        <source>写真 %n 枚</source>
        <translation>
            <numerusform>%n picture</numerusform>
            <numerusform>%n pictures</numerusform>
        </translation>
    </message>
    <message>
        <source>メモの縦スクロール</source>
        <translation>Memo vertical scroll bar</translation>
    </message>
    <message>
        <source>メモの横スクロール</source>
        <translation>Memo horizontal scroll bar</translation>
    </message>
    <message>
        <source>一覧の縦スクロール</source>
        <translation>List vertical scroll bar</translation>
    </message>
    <message>
        <source>一覧の横スクロール</source>
        <translation>List horizontal scroll bar</translation>
    </message>
    <message>
        <source>音声を再生できません: %1</source>
        <translation>Cannot play sounds: %1</translation>
    </message>
    <message>
        <source>HEIF と AVIF を読むモジュールを読み込めないため、%1 を表示できません: %2</source>
        <translation>Cannot show %1: the module that reads HEIF and AVIF cannot be loaded: %2</translation>
    </message>
</context>
</TS>
